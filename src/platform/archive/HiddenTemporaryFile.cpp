#include "platform/archive/HiddenTemporaryFile.h"

#include "platform/RuntimeError.h"
#include "platform/files/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ze6 {

namespace {

constexpr int kAttempts = 100;
// Leaves room in a 255-byte file name for the dot, the random part and ".part".
constexpr std::size_t kLongestNamePart = 200;
constexpr std::size_t kRandomPartLength = 10;
constexpr const char* kEnding = ".part";

std::string RandomSuffix()
{
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    // Archives are written on several threads at once.
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof(kAlphabet) - 2);
    std::string suffix;
    for (std::size_t i = 0; i < kRandomPartLength; ++i)
        suffix += kAlphabet[pick(generator)];
    return suffix;
}

// Cuts at a character boundary so that the name stays valid UTF-8.
std::string Shortened(const std::string& name)
{
    if (name.size() <= kLongestNamePart)
        return name;
    std::size_t cut = kLongestNamePart;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return name.substr(0, cut);
}

bool NoReplaceUnsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP;
}

bool HardLinksUnsupported(int error)
{
    return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == EMLINK || error == ENOSYS;
}

} // namespace

HiddenTemporaryFile::HiddenTemporaryFile(const std::string& folder, const std::string& finalName,
                                         std::string errorSource, const NameSuffixes& nextSuffix)
    : m_errorSource(std::move(errorSource))
{
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != FileSystem::kSeparator)
        prefix += FileSystem::kSeparator;
    // Appended piece by piece: GCC 12 at -O3 takes `"." + std::string` for an
    // overlapping copy (-Wrestrict), a false positive.
    prefix += '.';
    prefix += Shortened(finalName);
    prefix += '.';
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string path = prefix + (nextSuffix ? nextSuffix() : RandomSuffix()) + kEnding;
        // O_EXCL refuses any existing entry, a symbolic link included, so a
        // link planted at the name can never redirect the archive elsewhere.
        // Owner only: the archive holds files whose own modes may be private,
        // and the umask may only narrow this further.
        const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (descriptor >= 0) {
            // Held until the file is closed: it tells a later run that clears
            // away leftovers of killed runs that this one is still alive.
            ::flock(descriptor, LOCK_EX | LOCK_NB);
            m_path = path;
            m_descriptor = descriptor;
            return;
        }
        // Named by its folder: the random name of a temporary tells nobody anything.
        if (errno != EEXIST)
            throw ErrorFromErrno(errno, m_errorSource, folder);
    }
    throw ErrorFromErrno(EEXIST, m_errorSource, folder);
}

HiddenTemporaryFile::~HiddenTemporaryFile()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    if (!m_moved && !m_path.empty())
        ::unlink(m_path.c_str());
}

void HiddenTemporaryFile::MoveIntoPlace(const std::string& finalPath)
{
    GiveFinalName(finalPath);
    FileSystem::SyncFolderOf(finalPath, m_errorSource);
}

void HiddenTemporaryFile::GiveFinalName(const std::string& finalPath)
{
    if (::renameat2(AT_FDCWD, m_path.c_str(), AT_FDCWD, finalPath.c_str(), RENAME_NOREPLACE) == 0) {
        m_moved = true;
    } else if (errno == EEXIST) {
        Raise(ErrorNumber::FileAlreadyExists, m_errorSource, finalPath);
    } else if (!NoReplaceUnsupported(errno)) {
        throw ErrorFromErrno(errno, m_errorSource, finalPath);
    } else if (::link(m_path.c_str(), finalPath.c_str()) == 0) {
        // A new link never replaces an existing name either.
        m_moved = true;
        ::unlink(m_path.c_str());
    } else if (errno == EEXIST) {
        Raise(ErrorNumber::FileAlreadyExists, m_errorSource, finalPath);
    } else if (!HardLinksUnsupported(errno)) {
        throw ErrorFromErrno(errno, m_errorSource, finalPath);
    } else {
        // A file system with neither (some network and FAT mounts): test and
        // rename, leaving only the moment between the two unguarded.
        struct stat status {};
        if (::lstat(finalPath.c_str(), &status) == 0)
            Raise(ErrorNumber::FileAlreadyExists, m_errorSource, finalPath);
        if (::rename(m_path.c_str(), finalPath.c_str()) != 0)
            throw ErrorFromErrno(errno, m_errorSource, finalPath);
        m_moved = true;
    }
}

void HiddenTemporaryFile::ReplaceInPlace(const std::string& finalPath)
{
    if (::rename(m_path.c_str(), finalPath.c_str()) != 0)
        throw ErrorFromErrno(errno, m_errorSource, finalPath);
    m_moved = true;
    FileSystem::SyncFolderOf(finalPath, m_errorSource);
}

std::string HiddenTemporaryFile::FinalNameOf(const std::string& name)
{
    const std::size_t ending = std::char_traits<char>::length(kEnding);
    if (name.size() < 2 + kRandomPartLength + 1 + ending || name[0] != '.' ||
        name.compare(name.size() - ending, ending, kEnding) != 0)
        return {};
    const std::size_t dot = name.size() - ending - kRandomPartLength - 1;
    if (name[dot] != '.')
        return {};
    return name.substr(1, dot - 1);
}

int HiddenTemporaryFile::RemoveAbandoned(const std::string& folder, const AgeForFinalName& abandonedAfter)
{
    int removed = 0;
    for (const auto& name : ListTemporaries(folder)) {
        const auto age = abandonedAfter(FinalNameOf(name));
        if (age && RemoveIfAbandoned(folder, name, *age))
            ++removed;
    }
    return removed;
}

std::vector<std::string> HiddenTemporaryFile::ListTemporaries(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
    if (listing == nullptr)
        return names;
    while (const dirent* entry = ::readdir(listing)) {
        if (entry->d_name[0] == '.' && !FinalNameOf(entry->d_name).empty())
            names.emplace_back(entry->d_name);
    }
    ::closedir(listing);
    return names;
}

bool HiddenTemporaryFile::RemoveIfAbandoned(const std::string& folder, const std::string& name,
                                            std::chrono::seconds abandonedAfter)
{
    const int folderDescriptor = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderDescriptor < 0)
        return false;
    bool removed = false;
    const int descriptor = ::openat(folderDescriptor, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (descriptor >= 0) {
        struct stat status {};
        // Only a regular file that no live writer holds, and that is old
        // enough that its writer must have taken its lock long ago.
        if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
            ::time(nullptr) - status.st_mtime >= abandonedAfter.count() &&
            ::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
            struct stat current {};
            // Still the same file under that name: it was not replaced meanwhile.
            removed = ::fstatat(folderDescriptor, name.c_str(), &current, AT_SYMLINK_NOFOLLOW) == 0 &&
                      current.st_ino == status.st_ino && current.st_dev == status.st_dev &&
                      ::unlinkat(folderDescriptor, name.c_str(), 0) == 0;
        }
        ::close(descriptor);
    }
    ::close(folderDescriptor);
    return removed;
}

} // namespace ze6
