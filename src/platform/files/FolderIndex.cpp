#include "platform/files/FolderIndex.h"

#include "platform/files/FileSystem.h"
#include "platform/files/PathText.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <dirent.h>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace ze6::FolderIndex {

namespace {

// Enough for the folders one run works in; beyond that the oldest goes.
constexpr std::size_t kMaximumFolders = 32;

struct Index {
    // The folder as it was listed: a folder whose stamp has moved since,
    // by any change of its names or its times, is listed again.
    FileSystem::FolderStamp stamp;
    // The listing was taken so soon after the folder's last change that a
    // further change in the same clock tick would leave the time unchanged;
    // such an index serves one lookup only.
    bool racy = true;
    std::uint64_t lastUse = 0;
    // Folded name -> names on disk; ordered, so names that start alike are neighbours.
    std::map<std::string, std::vector<std::string>> names;
};

struct Cache {
    std::mutex mutex;
    std::map<std::string, Index> folders;
    std::uint64_t useCounter = 0;
    // Scopes alive; with none, an index serves the one lookup it was made for.
    std::size_t scopes = 0;
};

Cache& TheCache()
{
    static Cache cache;
    return cache;
}

// File times come from the kernel's coarse clock; a time with no fraction at
// all points to a file system that keeps whole (or even two) seconds.
bool IsRacy(const timespec& modified, const timespec& listedAt)
{
    if (modified.tv_nsec == 0)
        return modified.tv_sec + 2 > listedAt.tv_sec;
    return modified.tv_sec > listedAt.tv_sec ||
           (modified.tv_sec == listedAt.tv_sec && modified.tv_nsec >= listedAt.tv_nsec);
}

std::optional<Index> ReadFolder(const std::string& folder, const struct stat& folderStatus)
{
    timespec listedAt{};
    clock_gettime(CLOCK_REALTIME_COARSE, &listedAt);

    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), &closedir);
    if (!dir)
        return std::nullopt;
    Index index;
    index.stamp = FileSystem::StampOfStatus(folderStatus);
    index.racy = IsRacy(folderStatus.st_mtim, listedAt) || IsRacy(folderStatus.st_ctim, listedAt);
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir.get());
        if (entry == nullptr)
            break;
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        index.names[FileSystem::FoldCase(name)].push_back(name);
    }
    if (errno != 0)
        return std::nullopt;
    return index;
}

void EvictOldest(Cache& cache)
{
    auto oldest = cache.folders.begin();
    for (auto it = cache.folders.begin(); it != cache.folders.end(); ++it) {
        if (it->second.lastUse < oldest->second.lastUse)
            oldest = it;
    }
    if (oldest != cache.folders.end())
        cache.folders.erase(oldest);
}

} // namespace

std::string Key(const std::string& folder)
{
    const std::string key = FileSystem::WithoutTrailingSeparators(folder);
    return key.empty() ? std::string(".") : key;
}

namespace {

// The folder's index, listed afresh when it is missing or out of date;
// nullptr when the folder cannot be read. Call with the cache locked.
Index* CurrentIndex(Cache& cache, const std::string& key, const struct stat& folderStatus)
{
    auto it = cache.folders.find(key);
    const bool current =
        it != cache.folders.end() && !it->second.racy && it->second.stamp == FileSystem::StampOfStatus(folderStatus);
    if (!current) {
        if (it != cache.folders.end())
            cache.folders.erase(it);
        std::optional<Index> index = ReadFolder(key, folderStatus);
        if (!index)
            return nullptr;
        if (cache.folders.size() >= kMaximumFolders)
            EvictOldest(cache);
        it = cache.folders.emplace(key, std::move(*index)).first;
    }
    it->second.lastUse = ++cache.useCounter;
    return &it->second;
}

// Called with the cache locked, after the lookup has used its index.
void DropUnscoped(Cache& cache)
{
    if (cache.scopes == 0)
        cache.folders.clear();
}

} // namespace

Scope::Scope()
{
    Cache& cache = TheCache();
    std::lock_guard lock(cache.mutex);
    ++cache.scopes;
}

Scope::~Scope()
{
    Cache& cache = TheCache();
    std::lock_guard lock(cache.mutex);
    if (--cache.scopes == 0)
        cache.folders.clear();
}

std::vector<std::string> Lookup(const std::string& folder, const struct stat& folderStatus, const std::string& name,
                                const std::string& foldedName)
{
    Cache& cache = TheCache();
    std::lock_guard lock(cache.mutex);
    const Index* index = CurrentIndex(cache, Key(folder), folderStatus);
    if (index == nullptr)
        return {};
    const auto found = index->names.find(foldedName);
    if (found == index->names.end()) {
        DropUnscoped(cache);
        return {};
    }
    // Closest spelling first, the exact one above all: with Plant1.rzd and
    // PLANT1.RZD side by side, PLANT1.rzd means the second. Ties go by name,
    // never by the order of the listing.
    const auto likeness = [&name](const std::string& candidate) {
        std::size_t same = 0;
        for (std::size_t i = 0; i < std::min(candidate.size(), name.size()); ++i)
            same += candidate[i] == name[i] ? 1 : 0;
        return candidate == name ? SIZE_MAX : same;
    };
    std::vector<std::string> result = found->second;
    DropUnscoped(cache);
    std::sort(result.begin(), result.end(), [&](const std::string& a, const std::string& b) {
        const std::size_t likeA = likeness(a), likeB = likeness(b);
        return likeA != likeB ? likeA > likeB : a < b;
    });
    return result;
}

std::optional<std::vector<std::string>> WithPrefix(const std::string& folder, const struct stat& folderStatus,
                                                   const std::string& foldedPrefix)
{
    Cache& cache = TheCache();
    std::lock_guard lock(cache.mutex);
    const Index* index = CurrentIndex(cache, Key(folder), folderStatus);
    if (index == nullptr)
        return std::nullopt;
    std::vector<std::string> result;
    for (auto it = index->names.lower_bound(foldedPrefix);
         it != index->names.end() && it->first.compare(0, foldedPrefix.size(), foldedPrefix) == 0; ++it)
        result.insert(result.end(), it->second.begin(), it->second.end());
    DropUnscoped(cache);
    return result;
}

void Forget(const std::string& folder)
{
    Cache& cache = TheCache();
    std::lock_guard lock(cache.mutex);
    if (folder.empty())
        cache.folders.clear();
    else
        cache.folders.erase(Key(folder));
}

} // namespace ze6::FolderIndex
