#include "platform/files/FileSystem.h"

#include "platform/RuntimeError.h"
#include "platform/files/FolderIndex.h"
#include "platform/files/PathText.h"
#include "platform/files/WildcardPattern.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace ze6::FileSystem {

namespace {

bool IsMissing(int errorNumber)
{
    return errorNumber == ENOENT || errorNumber == ENOTDIR;
}

std::vector<std::string> SplitComponents(const std::string& path)
{
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto end = path.find(kSeparator, start);
        const std::size_t stop = end == std::string::npos ? path.size() : end;
        if (stop > start)
            components.push_back(path.substr(start, stop - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return components;
}

std::string Join(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    if (folder.back() == kSeparator)
        return folder + name;
    return folder + kSeparator + name;
}

// The exact spelling was not found: walk up to the deepest folder that exists
// as spelled, then find each further component in its folder's index.
std::optional<std::string> ResolveByListing(const std::string& path)
{
    const bool absolute = path.front() == kSeparator;
    const bool folderWanted = path.back() == kSeparator;
    const std::vector<std::string> components = SplitComponents(path);
    if (components.empty())
        return std::nullopt;

    const auto prefixOf = [&](std::size_t count) {
        std::string prefix = absolute ? std::string(1, kSeparator) : std::string();
        for (std::size_t i = 0; i < count; ++i)
            prefix = Join(prefix, components[i]);
        return prefix;
    };

    std::size_t known = components.size() - 1;
    struct stat folderStatus {};
    for (;;) {
        const std::string prefix = prefixOf(known);
        if (::stat(prefix.empty() ? "." : prefix.c_str(), &folderStatus) == 0 && S_ISDIR(folderStatus.st_mode))
            break;
        if (known == 0)
            return std::nullopt;
        --known;
    }

    std::string current = prefixOf(known);
    for (std::size_t i = known; i < components.size(); ++i) {
        const std::string& component = components[i];
        const bool mustBeFolder = i + 1 < components.size() || folderWanted;
        std::vector<std::string> candidates;
        if (component == "." || component == "..")
            candidates.push_back(component);
        else
            candidates =
                FolderIndex::Lookup(current.empty() ? "." : current, folderStatus, component, FoldCase(component));

        // Names that differ only in case may all exist; take the first that
        // has the kind of entry the path needs.
        bool chosen = false;
        for (const auto& candidate : candidates) {
            const std::string joined = Join(current, candidate);
            struct stat status {};
            if (::stat(joined.c_str(), &status) != 0)
                continue;
            if (mustBeFolder && !S_ISDIR(status.st_mode))
                continue;
            current = joined;
            folderStatus = status;
            chosen = true;
            break;
        }
        if (!chosen)
            return std::nullopt;
    }
    if (folderWanted)
        current += kSeparator;
    return current;
}

// The folder that holds the entry `path` names, even when it names a folder.
std::string FolderOf(const std::string& path)
{
    return FolderPart(WithoutTrailingSeparators(path));
}

// A link the kernel refuses to follow (protected symlinks) is still listed
// when the program refuses it too, so that the refusal is reported.
bool IsOrdinaryFile(DIR* dir, const std::string& folder, const dirent& entry)
{
    if (entry.d_type == DT_REG)
        return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return false;
    struct stat status {};
    if (fstatat(dirfd(dir), entry.d_name, &status, 0) == 0)
        return S_ISREG(status.st_mode);
    return errno == EACCES && IsUntrustedLink(Join(folder, entry.d_name));
}

} // namespace

std::optional<std::string> ResolvePath(const std::string& path)
{
    if (path.empty())
        return std::nullopt;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0)
        return path;
    if (errno == EACCES && IsUntrustedLink(path))
        return path;
    if (!IsMissing(errno))
        return std::nullopt;
    return ResolveByListing(path);
}

bool PathExists(const std::string& path)
{
    try {
        return ResolvePath(path).has_value();
    } catch (...) {
        // An existence test answers "no" to what it cannot decide (even out of memory).
        return false;
    }
}

std::vector<std::string> ListFiles(const std::string& pattern)
{
    const std::string folderPart = FolderPart(pattern);
    const std::string namePattern = NamePart(pattern);
    const std::string folder = folderPart.empty() ? std::string(".") : folderPart;

    const auto resolved = ResolvePath(folder);
    if (!resolved) {
        struct stat status {};
        if (::stat(folder.c_str(), &status) != 0 && !IsMissing(errno))
            throw ErrorFromErrno(errno, kProgramErrorSource, folder);
        return {};
    }

    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(resolved->c_str()), &closedir);
    if (!dir) {
        if (IsMissing(errno))
            return {};
        throw ErrorFromErrno(errno, kProgramErrorSource, *resolved);
    }
    // A name without wildcards that exists in exactly that spelling is that
    // file alone, not also the ones that differ from it only in case.
    if (!namePattern.empty() && namePattern[0] != '.' && namePattern.find_first_of("*?") == std::string::npos) {
        const std::string exact = Join(*resolved, namePattern);
        struct stat status {};
        if (::stat(exact.c_str(), &status) == 0 ? S_ISREG(status.st_mode) : errno == EACCES && IsUntrustedLink(exact))
            return {namePattern};
    }
    const WildcardPattern matcher(namePattern);
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir.get());
        if (entry == nullptr)
            break;
        // Hidden files are never listed; "." and ".." are among them.
        if (entry->d_name[0] == '.')
            continue;
        if (matcher.Matches(entry->d_name) && IsOrdinaryFile(dir.get(), *resolved, *entry))
            names.emplace_back(entry->d_name);
    }
    if (errno != 0)
        throw ErrorFromErrno(errno, kProgramErrorSource, *resolved);
    return names;
}

std::vector<std::string> ListFilesStartingWith(const std::string& folder, const std::string& prefix)
{
    const std::string where = folder.empty() ? std::string(".") : folder;
    const std::string foldedPrefix = FoldCase(prefix);
    const std::string found = ResolvePath(where).value_or(where);
    struct stat folderStatus {};
    std::optional<std::vector<std::string>> candidates;
    if (::stat(found.c_str(), &folderStatus) == 0 && S_ISDIR(folderStatus.st_mode))
        candidates = FolderIndex::WithPrefix(found, folderStatus, foldedPrefix);
    // ListFiles tells a missing folder from one that cannot be read; its
    // names still need the prefix test below.
    if (!candidates)
        candidates = ListFiles(Join(where, "*"));
    std::vector<std::string> names;
    for (auto& name : *candidates) {
        struct stat status {};
        if (name[0] != '.' && FoldCase(name).compare(0, foldedPrefix.size(), foldedPrefix) == 0 &&
            ::stat(Join(found, name).c_str(), &status) == 0 && S_ISREG(status.st_mode))
            names.push_back(std::move(name));
    }
    return names;
}

bool IsRegularFile(const std::string& path)
{
    return RegularFileSize(path).has_value();
}

std::optional<std::uint64_t> RegularFileSize(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(status.st_size);
}

bool IsUntrustedLink(const std::string& path)
{
    if (::geteuid() != 0)
        return false;
    struct stat link {};
    // A link of root's own is as safe to follow as root's own actions.
    if (path.empty() || ::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode) || link.st_uid == 0)
        return false;
    const std::string folder = FolderOf(path);
    struct stat holder {};
    // A folder that cannot be examined gives no reason to trust the link.
    return ::stat(folder.empty() ? "." : folder.c_str(), &holder) != 0 || holder.st_uid != link.st_uid;
}

std::optional<std::string> UntrustedLinkOnPath(const std::string& path)
{
    if (::geteuid() != 0 || path.empty())
        return std::nullopt;
    std::string prefix = path.front() == kSeparator ? std::string(1, kSeparator) : std::string();
    for (const auto& component : SplitComponents(path)) {
        prefix = Join(prefix, component);
        if (component != "." && component != ".." && IsUntrustedLink(prefix))
            return prefix;
    }
    return std::nullopt;
}

std::vector<std::string> EntriesNamedIgnoringCase(const std::string& folder, const std::string& name)
{
    const std::string where = folder.empty() ? std::string(".") : folder;
    struct stat folderStatus {};
    if (name.empty() || ::stat(where.c_str(), &folderStatus) != 0 || !S_ISDIR(folderStatus.st_mode))
        return {};
    std::vector<std::string> paths;
    for (const auto& found : FolderIndex::Lookup(where, folderStatus, name, FoldCase(name)))
        paths.push_back(Join(folder, found));
    return paths;
}

bool MakeSingleFolder(const std::string& path)
{
    try {
        if (path.empty())
            return false;
        if (PathExists(path))
            return true;
        // A parent that exists in another letter case is the one meant.
        const std::string bare = WithoutTrailingSeparators(path);
        const std::string parent = FolderPart(bare);
        const std::string name = NamePart(bare);
        const auto resolvedParent = parent.empty() ? std::optional<std::string>(std::string()) : ResolvePath(parent);
        const std::string target = resolvedParent ? Join(*resolvedParent, name) : bare;
        ::mkdir(target.c_str(), 0777);
        InvalidateCache(parent.empty() ? std::string(".") : parent);
        if (resolvedParent)
            InvalidateCache(resolvedParent->empty() ? std::string(".") : *resolvedParent);
        return PathExists(path);
    } catch (...) {
        return false;
    }
}

std::optional<EntryFacts> EntryFactsOf(const std::string& path)
{
    struct stat status {};
    if (path.empty() || ::lstat(path.c_str(), &status) != 0)
        return std::nullopt;
    return EntryFacts{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                      S_ISREG(status.st_mode), status.st_uid == ::geteuid(),
                      static_cast<std::uint64_t>(status.st_size)};
}

void DeleteFile(const std::string& path)
{
    // The exact spelling first: pruning deletes names it has just listed, and
    // resolving each of 100,000 again would cost more than the deletions.
    std::string target = path;
    int result = ::unlink(target.c_str());
    if (result != 0 && IsMissing(errno)) {
        const auto resolved = ResolvePath(path);
        if (!resolved)
            throw ErrorFromErrno(ENOENT, kProgramErrorSource, path);
        target = *resolved;
        result = ::unlink(target.c_str());
    }
    const int error = errno;
    const std::string folder = FolderOf(target);
    FolderIndex::Forget(folder.empty() ? std::string(".") : folder);
    if (result != 0)
        throw ErrorFromErrno(error, kProgramErrorSource, target);
}

void SyncFolderOf(const std::string& path, const std::string& errorSource)
{
    const std::string folder = FolderOf(path);
    const int descriptor = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder the user may write to but not read cannot be synced by anyone.
    if (descriptor < 0)
        return;
    const int result = ::fsync(descriptor);
    const int error = errno;
    ::close(descriptor);
    // Some network and FAT mounts cannot sync a folder at all; that is no failure of this file.
    const bool unsupported = error == EINVAL || error == ENOSYS || error == ENOTSUP || error == EOPNOTSUPP;
    if (result != 0 && !unsupported)
        throw ErrorFromErrno(error, errorSource, folder.empty() ? std::string(".") : folder);
}

std::optional<FolderStamp> FolderStampOf(const std::string& folder)
{
    struct stat status {};
    if (::stat(folder.empty() ? "." : folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return std::nullopt;
    return StampOfStatus(status);
}

FolderStamp StampOfStatus(const struct stat& status)
{
    FolderStamp stamp;
    stamp.device = static_cast<std::uint64_t>(status.st_dev);
    stamp.inode = static_cast<std::uint64_t>(status.st_ino);
    stamp.modifiedSeconds = status.st_mtim.tv_sec;
    stamp.modifiedNanoseconds = status.st_mtim.tv_nsec;
    stamp.changedSeconds = status.st_ctim.tv_sec;
    stamp.changedNanoseconds = status.st_ctim.tv_nsec;
    return stamp;
}

void InvalidateCache(const std::string& folder)
{
    if (folder.empty()) {
        FolderIndex::Forget({});
        return;
    }
    FolderIndex::Forget(folder);
    // The caller may spell the folder differently from the index's key.
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        if (const auto resolved = ResolvePath(folder))
            FolderIndex::Forget(*resolved);
    }
}

} // namespace ze6::FileSystem
