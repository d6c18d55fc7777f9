#include "platform/process/ProcessInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdlib>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace ze6 {

namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

// Opens a real X connection, authorisation included: a stale DISPLAY or one
// whose cookie this user lacks (cron) is refused here, not by a toolkit that
// aborts on it.
bool XServerAnswers()
{
    if (Environment("DISPLAY").empty())
        return false;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool answers = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return answers;
}

// A compositor listens on its socket; a socket file left behind by one that
// has gone refuses the connection.
bool WaylandCompositorAnswers()
{
    std::string socketPath = Environment("WAYLAND_DISPLAY");
    if (socketPath.empty())
        return false;
    if (socketPath.front() != '/') {
        const std::string runtimeFolder = Environment("XDG_RUNTIME_DIR");
        if (runtimeFolder.empty())
            return false;
        socketPath = runtimeFolder + "/" + socketPath;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof(address.sun_path))
        return false;
    socketPath.copy(address.sun_path, socketPath.size());
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0)
        return false;
    const bool answers = ::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(descriptor);
    return answers;
}

// The toolkit aborts when a platform it is told to use has no plugin.
bool PlatformPluginInstalled(const std::string& name)
{
    const QString file = QStringLiteral("libq%1.so")
                             .arg(QString::fromStdString(name == "wayland" ? std::string("wayland-generic") : name));
    QStringList folders = QCoreApplication::libraryPaths();
    for (QString& folder : folders)
        folder += QStringLiteral("/platforms");
    const std::string own = Environment("QT_QPA_PLATFORM_PLUGIN_PATH");
    if (!own.empty())
        folders.prepend(QString::fromStdString(own));
    for (const QString& folder : folders) {
        if (QFileInfo::exists(QDir(folder).filePath(file)))
            return true;
    }
    return false;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

std::string ProbeVisiblePlatform()
{
    const std::string requested = Environment("QT_QPA_PLATFORM");
    // Without a choice of the user's, the toolkit's own preference: X first.
    const std::vector<std::string> candidates =
        requested.empty() ? std::vector<std::string>{"xcb", "wayland"} : Split(requested, ';');
    for (const std::string& candidate : candidates) {
        const std::string name = candidate.substr(0, candidate.find(':'));
        if (name == "xcb") {
            if (PlatformPluginInstalled(name) && XServerAnswers())
                return candidate;
        } else if (name.starts_with("wayland")) {
            if (PlatformPluginInstalled(name) && WaylandCompositorAnswers())
                return candidate;
        } else if (!name.empty()) {
            // offscreen and minimal show nothing to anybody; a frame buffer or
            // VNC server cannot be probed, and a box there may wait for ever.
            return {};
        }
    }
    return {};
}

} // namespace

std::string VisibleDisplayPlatform()
{
    static const std::string platform = ProbeVisiblePlatform();
    return platform;
}

} // namespace ze6
