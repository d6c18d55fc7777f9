#include "platform/archive/StagedFiles.h"

#include "platform/RuntimeError.h"
#include "platform/files/FileSystem.h"
#include "platform/files/PathText.h"

#include <algorithm>
#include <cerrno>
#include <climits>
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
        if (::mkdir(path.c_str(), 0777) == 0) {
            m_createdFolders.push_back(path);
            FileSystem::InvalidateCache(m_folder);
        } else if (errno != EEXIST || !IsFolder(path)) {
            Fail(errno == EEXIST ? ENOTDIR : errno, path);
        }
        m_folder = path;
    }
    m_folder = FileSystem::WithTrailingSeparator(m_folder);
}

int StagedFiles::Add(const std::string& finalPath, bool replaces)
{
    MakeRoomForDescriptors(m_files.size() + kDescriptorsInReserve);
    const std::string name = FileSystem::NamePart(finalPath);
    try {
        m_files.push_back({finalPath, replaces, std::make_unique<HiddenTemporaryFile>(m_folder, name, m_errorSource)});
    } catch (const RuntimeError& error) {
        throw error.About(finalPath, m_errorSource);
    }
    return m_files.back().file->Descriptor();
}

void StagedFiles::Commit()
{
    for (Staged& staged : m_files) {
        try {
            struct stat old {};
            if (staged.replaces && ::lstat(staged.finalPath.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
                const int descriptor = staged.file->Descriptor();
                // The owner first, as a change of owner clears the set-id
                // bits. Only root may give a file away; for anyone else the
                // new file stays theirs, which is no loss.
                [[maybe_unused]] const int owned = ::fchown(descriptor, old.st_uid, old.st_gid);
                [[maybe_unused]] const int moded = ::fchmod(descriptor, old.st_mode & 07777);
                staged.file->ReplaceInPlace(staged.finalPath);
            } else if (staged.replaces) {
                staged.file->ReplaceInPlace(staged.finalPath);
            } else {
                staged.file->MoveIntoPlace(staged.finalPath);
            }
        } catch (const RuntimeError& error) {
            FileSystem::InvalidateCache(m_folder);
            throw error.About(staged.finalPath, m_errorSource);
        }
        m_committed.push_back(staged.finalPath);
        // From here the folders hold a file of the user's.
        m_done = true;
    }
    m_files.clear();
    FileSystem::InvalidateCache(m_folder);
}

} // namespace ze6
