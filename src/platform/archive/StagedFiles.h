#pragma once

#include "platform/archive/HiddenTemporaryFile.h"

#include <memory>
#include <string>
#include <vector>

namespace ze6 {

// New content for files of one folder, put in place all at once: each file is
// written to a hidden exclusive temporary beside its final name, and only
// when every one is written and checked are they given their names. Destroyed
// before Commit, it leaves the folder as it was: the temporaries go, and so do
// the folders it had to create.
//
// Errors are RuntimeErrors with the given source whose description ends in
// ": " and the path they are about.
class StagedFiles final {
public:
    // Creates `folder` with every missing folder above it; a folder that
    // exists in another letter case is the one used.
    StagedFiles(const std::string& folder, std::string errorSource);
    ~StagedFiles();
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // The folder as spelled on disk, absolute, ending in one separator.
    const std::string& Folder() const { return m_folder; }

    // A new temporary for the file `finalPath` in Folder(), returned as an
    // open, empty descriptor. `replaces` says that an existing file is to be
    // replaced there: it then keeps that file's permissions and owner.
    int Add(const std::string& finalPath, bool replaces);

    // Gives every file its name, in the order they were added. A file that
    // was not meant to replace one is never put over a file that appeared
    // meanwhile (58). Raises on the first failure; the files named by then
    // are in Committed().
    void Commit();
    const std::vector<std::string>& Committed() const { return m_committed; }

private:
    struct Staged {
        std::string finalPath;
        bool replaces = false;
        std::unique_ptr<HiddenTemporaryFile> file;
    };
    void CreateFolder(const std::string& folder);
    [[noreturn]] void Fail(int error, const std::string& path) const;

    std::string m_errorSource;
    std::string m_folder;
    std::vector<std::string> m_createdFolders;
    std::vector<Staged> m_files;
    std::vector<std::string> m_committed;
    bool m_done = false;
};

} // namespace ze6
