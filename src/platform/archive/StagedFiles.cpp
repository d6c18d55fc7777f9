#include "platform/archive/StagedFiles.h"

#include "platform/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/PathText.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ze6 {

namespace {

constexpr char kSeparator = FileSystem::kSeparator;

std::string Joined(const std::string& folder, const std::string& name)
{
    return folder.back() == kSeparator ? folder + name : folder + kSeparator + name;
}

bool IsFolder(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Every staged file holds a descriptor until its rename: an archive with
// thousands of numbered companions needs more than the usual 1,024.
void MakeRoomForDescriptors(std::size_t needed)
{
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || needed < limit.rlim_cur)
        return;
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, std::max<rlim_t>(limit.rlim_cur * 2, needed));
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

constexpr std::size_t kDescriptorsInReserve = 64;

bool ExchangeUnsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP;
}

// The process's umask, read without changing it: another thread may be
// creating files meanwhile.
mode_t CurrentUmask()
{
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned int mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status) != nullptr)
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found)
            return static_cast<mode_t>(mask);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// The data-file reader names files by absolute paths; the files to be
// replaced must be named the same way to be recognised as the same files.
std::string Absolute(const std::string& path)
{
    if (!path.empty() && path.front() == kSeparator)
        return path;
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer) == nullptr)
        return path.empty() ? std::string(".") : path;
    return path.empty() ? std::string(buffer) : Joined(buffer, path);
}

} // namespace

StagedFiles::StagedFiles(const std::string& folder, std::string errorSource) : m_errorSource(std::move(errorSource))
{
    CreateFolder(FileSystem::WithoutTrailingSeparators(Absolute(folder)));
}

StagedFiles::~StagedFiles()
{
    m_files.clear();
    if (m_done)
        return;
    for (auto it = m_createdFolders.rbegin(); it != m_createdFolders.rend(); ++it)
        ::rmdir(it->c_str());
    if (!m_createdFolders.empty())
        FileSystem::InvalidateCache({});
}

void StagedFiles::Fail(int error, const std::string& path) const
{
    throw ErrorFromErrno(error, m_errorSource, path);
}

// Leaves m_folder set to `folder` as found or made, creating the missing
// folders above it first.
void StagedFiles::CreateFolder(const std::string& folder)
{
    if (const auto found = FileSystem::ResolvePath(folder)) {
        if (!IsFolder(*found))
            Fail(ENOTDIR, *found);
        m_folder = *found;
    } else {
        const std::string parent = FileSystem::FolderPart(folder);
        CreateFolder(parent.empty() ? std::string(".") : FileSystem::WithoutTrailingSeparators(parent));
        const std::string path = Joined(m_folder, FileSystem::NamePart(folder));
        AddFolder(path);
        m_folder = path;
    }
    m_folder = FileSystem::WithTrailingSeparator(m_folder);
}

// Only root can give what it creates away; anyone else keeps it, as the
// folder is theirs to write to anyway.
void StagedFiles::MakeOwnedByHolder(const std::string& path, int descriptor) const
{
    if (::geteuid() != 0)
        return;
    struct stat holder {};
    if (::stat(FileSystem::FolderPart(FileSystem::WithoutTrailingSeparators(path)).c_str(), &holder) != 0 ||
        (holder.st_uid == 0 && holder.st_gid == 0))
        return;
    if (descriptor >= 0) {
        [[maybe_unused]] const int owned = ::fchown(descriptor, holder.st_uid, holder.st_gid);
        return;
    }
    // Never through a link planted at the name since it was made.
    const int folder = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder >= 0) {
        [[maybe_unused]] const int owned = ::fchown(folder, holder.st_uid, holder.st_gid);
        ::close(folder);
    }
}

int StagedFiles::Add(const std::string& finalPath, bool replaces, int mode)
{
    MakeRoomForDescriptors(m_files.size() + kDescriptorsInReserve);
    const std::string name = FileSystem::NamePart(finalPath);
    try {
        m_files.push_back(
            {finalPath, replaces, mode, std::make_unique<HiddenTemporaryFile>(m_folder, name, m_errorSource), nullptr});
    } catch (const RuntimeError& error) {
        throw error.About(finalPath, m_errorSource);
    }
    return m_files.back().file->Descriptor();
}

void StagedFiles::AddFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0777) == 0) {
        m_createdFolders.push_back(path);
        MakeOwnedByHolder(path, -1);
        FileSystem::InvalidateCache(m_folder);
    } else if (errno != EEXIST || !IsFolder(path)) {
        Fail(errno == EEXIST ? ENOTDIR : errno, path);
    }
}

void StagedFiles::Remove(const std::string& path)
{
    MakeRoomForDescriptors(m_files.size() + kDescriptorsInReserve);
    m_files.push_back({path, true, -1, nullptr, nullptr});
}

// What can be settled before the first rename: owners and permissions.
void StagedFiles::Prepare(Staged& staged) const
{
    if (!staged.file)
        return;
    const int descriptor = staged.file->Descriptor();
    struct stat old {};
    if (staged.replaces && ::lstat(staged.finalPath.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        // The owner first, as a change of owner clears the set-id bits. Only
        // root may give a file away; for anyone else the new file stays
        // theirs, which is no loss.
        [[maybe_unused]] const int owned = ::fchown(descriptor, old.st_uid, old.st_gid);
        [[maybe_unused]] const int moded = ::fchmod(descriptor, old.st_mode & 07777);
    } else if (!staged.replaces) {
        MakeOwnedByHolder(staged.finalPath, descriptor);
        const mode_t mode = staged.mode >= 0 ? static_cast<mode_t>(staged.mode) & 0777 : 0666;
        [[maybe_unused]] const int moded = ::fchmod(descriptor, mode & ~CurrentUmask());
    }
}

// Moves the file at the final name to a hidden name of its own, where it
// waits until the commit is through.
void StagedFiles::SetAside(Staged& staged)
{
    staged.aside =
        std::make_unique<HiddenTemporaryFile>(m_folder, FileSystem::NamePart(staged.finalPath), m_errorSource);
    if (::rename(staged.finalPath.c_str(), staged.aside->Path().c_str()) != 0)
        Fail(errno, staged.finalPath);
    staged.step = Step::SetAside;
}

void StagedFiles::PutInPlace(Staged& staged)
{
    if (!staged.file) {
        SetAside(staged);
        return;
    }
    if (!staged.replaces) {
        staged.file->GiveFinalName(staged.finalPath);
        staged.step = Step::Created;
        return;
    }
    // One step where the file system can: the old file takes the
    // temporary's name, so the final name is never missing and the way back
    // is the same step again.
    if (::renameat2(AT_FDCWD, staged.file->Path().c_str(), AT_FDCWD, staged.finalPath.c_str(), RENAME_EXCHANGE) == 0) {
        staged.step = Step::Exchanged;
        return;
    }
    if (!ExchangeUnsupported(errno))
        Fail(errno, staged.finalPath);
    SetAside(staged);
    staged.file->GiveFinalName(staged.finalPath);
}

// Best effort: each file is given back what it held before the commit.
void StagedFiles::RollBack()
{
    for (auto it = m_files.rbegin(); it != m_files.rend(); ++it) {
        Staged& staged = *it;
        switch (staged.step) {
        case Step::Waiting:
            break;
        case Step::Created: {
            // Only the file this commit made, not one put there since.
            struct stat made {};
            struct stat there {};
            if (::fstat(staged.file->Descriptor(), &made) == 0 && ::lstat(staged.finalPath.c_str(), &there) == 0 &&
                made.st_ino == there.st_ino && made.st_dev == there.st_dev)
                ::unlink(staged.finalPath.c_str());
            break;
        }
        case Step::Exchanged:
            ::renameat2(AT_FDCWD, staged.file->Path().c_str(), AT_FDCWD, staged.finalPath.c_str(), RENAME_EXCHANGE);
            break;
        case Step::SetAside:
            ::rename(staged.aside->Path().c_str(), staged.finalPath.c_str());
            break;
        }
        staged.step = Step::Waiting;
    }
    m_committed.clear();
    FileSystem::InvalidateCache(m_folder);
    try {
        FileSystem::SyncFolderOf(m_folder + ".", m_errorSource);
    } catch (const RuntimeError&) {
        // The failure that led here is the one to report.
    }
}

void StagedFiles::Commit()
{
    for (Staged& staged : m_files)
        Prepare(staged);
    std::string current;
    try {
        for (Staged& staged : m_files) {
            current = staged.finalPath;
            PutInPlace(staged);
            if (staged.file)
                m_committed.push_back(staged.finalPath);
        }
        current = m_folder;
        FileSystem::SyncFolderOf(m_folder + ".", m_errorSource);
    } catch (const RuntimeError& error) {
        RollBack();
        throw error.About(current, m_errorSource);
    }
    // The temporaries now hold the old files; they go with them.
    m_done = true;
    m_files.clear();
    FileSystem::InvalidateCache(m_folder);
}

} // namespace ze6
