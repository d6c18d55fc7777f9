#include "platform/notify/DesktopNotifier.h"

#include "platform/process/ProcessInfo.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QVariantMap>
#include <cstdlib>
#include <optional>
#include <unistd.h>

namespace ze6 {

namespace {

constexpr int kCallTimeoutMs = 1500;

QString SessionBusAddress()
{
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address != nullptr && *address != '\0')
        return QString::fromLocal8Bit(address);
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        runtime = QStringLiteral("/run/user/") + QString::number(::getuid());
    const QString socket = runtime + QStringLiteral("/bus");
    if (!QFileInfo::exists(socket))
        return {};
    return QStringLiteral("unix:path=") + socket;
}

} // namespace

bool SendDesktopNotification(const std::string& summary, const std::string& body)
{
    const QString address = SessionBusAddress();
    if (address.isEmpty())
        return false;
    // QtDBus dispatches through the application object; command mode has none yet.
    std::optional<QCoreApplication> application;
    if (QCoreApplication::instance() == nullptr)
        application.emplace(ProcessArgc(), ProcessArgv());

    const QString name = QStringLiteral("ze6vivevu-notification");
    bool shown = false;
    {
        QDBusConnection connection = QDBusConnection::connectToBus(address, name);
        if (connection.isConnected()) {
            QDBusMessage message = QDBusMessage::createMethodCall(
                QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
                QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
            QVariantMap hints;
            hints.insert(QStringLiteral("urgency"), QVariant::fromValue(static_cast<uchar>(2)));
            message << QStringLiteral("ZE6Vivevu") << 0U << QString() << QString::fromStdString(summary)
                    << QString::fromStdString(body) << QStringList() << hints << -1;
            const QDBusMessage reply = connection.call(message, QDBus::Block, kCallTimeoutMs);
            shown = reply.type() == QDBusMessage::ReplyMessage;
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return shown;
}

} // namespace ze6
