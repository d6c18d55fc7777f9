#include "platform/files/MountedVolumes.h"

#include "platform/files/FileSystem.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <poll.h>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace ze6::MountedVolumes {

namespace {

using Components = std::vector<std::string>;

// Tests point the program at tables of their own.
std::string TablePath(const char* variable, const char* standard)
{
    const char* path = std::getenv(variable);
    return path != nullptr && *path != '\0' ? path : standard;
}

// Both tables write a blank, tab, newline or backslash in a path as a
// backslash and three octal digits ("/media/my\040drive").
std::string Unescaped(const std::string& field)
{
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
            field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

Components Split(const std::string& path)
{
    Components components;
    std::stringstream stream(path);
    for (std::string component; std::getline(stream, component, FileSystem::kSeparator);) {
        if (!component.empty() && component != ".")
            components.push_back(component);
    }
    return components;
}

std::string Joined(const Components& components, std::size_t count)
{
    std::string path;
    for (std::size_t i = 0; i < count; ++i)
        path += FileSystem::kSeparator + components[i];
    return path.empty() ? std::string(1, FileSystem::kSeparator) : path;
}

std::string Normalised(const std::string& path)
{
    const Components components = Split(path);
    return Joined(components, components.size());
}

// The field of each line that names a mount point, as absolute paths
// without a final separator; a table that cannot be read has none.
std::vector<std::string> MountPointsIn(const std::string& table, std::size_t field)
{
    std::vector<std::string> points;
    std::ifstream in(table);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string value;
        for (std::size_t i = 0; i <= field && fields >> value; ++i) {
            if (i == 0 && value[0] == '#')
                break;
            if (i == field && value[0] == FileSystem::kSeparator)
                points.push_back(Normalised(Unescaped(value)));
        }
    }
    return points;
}

constexpr const char* kMountTable = "/proc/self/mountinfo";

// A backup runs this for every data file, so both tables are kept for the
// process and read again only when they may have changed: a file by its
// identity, size and times, the kernel's table of mounts when the kernel
// marks it for poll (a mount came or went since it was opened or last polled).
struct Tables {
    std::mutex mutex;
    int mountWatch = -1;
    bool mountWatchTried = false;
    // Moves on with each change of the kernel's table.
    std::uint64_t mountGeneration = 0;

    struct Table {
        std::string path;
        std::optional<struct stat> file;
        std::uint64_t generation = 0;
        bool read = false;
        std::vector<std::string> points;
    };
    Table listed;
    Table mounted;
};

Tables& TheTables()
{
    static Tables tables;
    return tables;
}

// Call with the tables locked.
std::uint64_t MountGeneration(Tables& tables)
{
    if (!tables.mountWatchTried) {
        tables.mountWatchTried = true;
        tables.mountWatch = ::open(kMountTable, O_RDONLY | O_CLOEXEC);
    }
    if (tables.mountWatch < 0)
        return ++tables.mountGeneration; // cannot be watched: never the same
    pollfd watch{tables.mountWatch, POLLPRI, 0};
    if (::poll(&watch, 1, 0) > 0 && (watch.revents & (POLLPRI | POLLERR)) != 0)
        ++tables.mountGeneration;
    return tables.mountGeneration;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// The mount points of a table, read again when it may have changed. Call
// with the tables locked.
std::vector<std::string> PointsOf(Tables& tables, Tables::Table& table, const std::string& path, std::size_t field)
{
    bool current = table.read && table.path == path;
    std::optional<struct stat> file;
    if (path == kMountTable) {
        const std::uint64_t generation = MountGeneration(tables);
        current = current && table.generation == generation;
        table.generation = generation;
    } else {
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0)
            file = status;
        current = current && file && table.file && SameFile(*file, *table.file);
    }
    if (!current) {
        table.points = MountPointsIn(path, field);
        table.path = path;
        table.file = file;
        // A table that could not be examined is read again next time.
        table.read = path == kMountTable || file.has_value();
    }
    return table.points;
}

// "device /mount/point type options dump pass": the second field.
std::vector<std::string> ListedMountPoints()
{
    Tables& tables = TheTables();
    const std::lock_guard lock(tables.mutex);
    return PointsOf(tables, tables.listed, TablePath("ZE6VIVEVU_TEST_FSTAB", "/etc/fstab"), 1);
}

// What is mounted now, read once it is needed.
class Mounted {
public:
    bool At(const std::string& folder) { return Points().count(folder) != 0; }
    // The longest mount point that holds `path`.
    std::string Holding(const std::string& path);

private:
    const std::set<std::string>& Points()
    {
        // "36 35 98:0 /root /mount/point options ...": the fifth field.
        if (!m_points) {
            Tables& tables = TheTables();
            const std::lock_guard lock(tables.mutex);
            const auto points = PointsOf(tables, tables.mounted, TablePath("ZE6VIVEVU_TEST_MOUNTINFO", kMountTable), 4);
            m_points.emplace(points.begin(), points.end());
        }
        return *m_points;
    }
    std::optional<std::set<std::string>> m_points;
};

bool IsAtOrBelow(const std::string& path, const std::string& folder)
{
    if (folder.size() == 1)
        return true;
    return path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == FileSystem::kSeparator);
}

std::string Mounted::Holding(const std::string& path)
{
    std::string holding;
    for (const auto& point : Points()) {
        if (point.size() > holding.size() && IsAtOrBelow(path, point))
            holding = point;
    }
    return holding;
}

std::optional<std::string> ResolvedLinks(const std::string& path)
{
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (!real)
        return std::nullopt;
    return std::string(real.get());
}

// The path with its links followed, kept for the last path asked: the same
// folder (by identity) under the same mounts has the same real path, unless a
// link on the way was turned to another mount of that very folder.
std::optional<std::string> RealPath(const std::string& path)
{
    struct Last {
        std::string path;
        dev_t device = 0;
        ino_t inode = 0;
        std::uint64_t generation = 0;
        std::string real;
    };
    static Last last;
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return ResolvedLinks(path);
    Tables& tables = TheTables();
    const std::lock_guard lock(tables.mutex);
    const std::uint64_t generation = MountGeneration(tables);
    if (!last.real.empty() && last.path == path && last.device == status.st_dev && last.inode == status.st_ino &&
        last.generation == generation)
        return last.real;
    const auto real = ResolvedLinks(path);
    if (real)
        last = Last{path, status.st_dev, status.st_ino, generation, *real};
    return real;
}

// A folder that udisks and its kin make when a drive is plugged in and
// remove again when it goes.
bool IsVolumeMountFolder(const Components& level, Mounted& mounted)
{
    if (level.size() == 2 && level[0] == "media")
        return true;
    std::size_t user = 0;
    if (level.size() == 3 && level[0] == "media")
        user = 1;
    else if (level.size() == 4 && level[0] == "run" && level[1] == "media")
        user = 2;
    // A volume mounted at /media/usb may have folders made in it.
    return user != 0 && !mounted.At(Joined(level, user + 1));
}

} // namespace

bool WouldWriteToAbsentVolume(const std::string& target)
{
    std::string absolute = target;
    if (absolute.empty() || absolute[0] != FileSystem::kSeparator) {
        const std::unique_ptr<char, decltype(&std::free)> current(::getcwd(nullptr, 0), &std::free);
        if (!current)
            return false;
        absolute = std::string(current.get()) + FileSystem::kSeparator + absolute;
    }
    const Components components = Split(absolute);

    // The deepest level that exists (in any letter case, as folders are
    // created) with its links followed; the rest would be created.
    std::size_t existing = components.size();
    std::optional<std::string> base;
    for (;; --existing) {
        if (const auto found = FileSystem::ResolvePath(Joined(components, existing)))
            base = RealPath(*found);
        if (base || existing == 0)
            break;
    }
    if (!base)
        return false;
    Components level = Split(*base);

    Mounted mounted;
    for (std::size_t i = existing; i < components.size(); ++i) {
        if (components[i] == "..") {
            if (!level.empty())
                level.pop_back();
            continue;
        }
        level.push_back(components[i]);
        if (IsVolumeMountFolder(level, mounted))
            return true;
    }

    // The volume that holds the target is the deepest mount point above it;
    // one that the table lists but that is not mounted is an unplugged drive.
    const std::string path = Joined(level, level.size());
    std::string listed;
    for (const auto& point : ListedMountPoints()) {
        if (point.size() > 1 && point.size() > listed.size() && IsAtOrBelow(path, point))
            listed = point;
    }
    return !listed.empty() && mounted.Holding(path).size() < listed.size();
}

} // namespace ze6::MountedVolumes
