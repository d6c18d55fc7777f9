#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ze6 {

// A new, hidden file beside the file it will become, so that a run that fails
// or is killed never leaves a partial file under the final name (and a hidden
// leftover is never listed or counted). The file is created exclusively and
// never through a symbolic link planted at its name; it is removed on
// destruction unless it was moved into place.
class HiddenTemporaryFile final {
public:
    // Gives the random part of each name tried; empty leaves it to chance
    // (tests choose it, to meet a link planted at the name).
    using NameSuffixes = std::function<std::string()>;
    // Raises RuntimeError (with `errorSource`) when the file cannot be created.
    HiddenTemporaryFile(const std::string& folder, const std::string& finalName, std::string errorSource,
                        const NameSuffixes& nextSuffix = {});
    ~HiddenTemporaryFile();
    HiddenTemporaryFile(const HiddenTemporaryFile&) = delete;
    HiddenTemporaryFile& operator=(const HiddenTemporaryFile&) = delete;

    int Descriptor() const { return m_descriptor; }
    const std::string& Path() const { return m_path; }

    // Gives the file its final name without ever replacing an existing file:
    // raises 58 "File already exists" when one is there. The folder is synced
    // afterwards; when that fails the new name may not survive a crash, and
    // the error is raised although the file is in place.
    void MoveIntoPlace(const std::string& finalPath);
    // The same without the sync of the folder, for a caller that syncs it
    // once for several files.
    void GiveFinalName(const std::string& finalPath);

    // Gives the file its final name in one step, replacing the file there:
    // only for a caller that has kept the old content elsewhere first.
    void ReplaceInPlace(const std::string& finalPath);

    // The final name a temporary of this kind was made for ("" when `name` is
    // not such a temporary).
    static std::string FinalNameOf(const std::string& name);

    // Removes the temporaries in `folder` left behind by killed runs: never
    // one that a live writer still holds, nor one younger than the age that
    // `abandonedAfter` gives for its final name (nullopt: left alone).
    // Returns how many went.
    using AgeForFinalName = std::function<std::optional<std::chrono::seconds>(const std::string& finalName)>;
    static int RemoveAbandoned(const std::string& folder, const AgeForFinalName& abandonedAfter);

    // The two halves of RemoveAbandoned, for a caller that lists a folder once
    // and cleans up series by series: the names of the temporaries in
    // `folder` (none when it cannot be read), and the removal of one of them
    // under the same conditions (true when it went).
    static std::vector<std::string> ListTemporaries(const std::string& folder);
    static bool RemoveIfAbandoned(const std::string& folder, const std::string& name,
                                  std::chrono::seconds abandonedAfter);

private:
    std::string m_path;
    std::string m_errorSource;
    int m_descriptor = -1;
    bool m_moved = false;
};

} // namespace ze6
