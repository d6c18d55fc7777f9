#pragma once

#include "platform/archive/HiddenTemporaryFile.h"

#include <memory>
#include <string>
#include <vector>

namespace ze6 {

// New content for files of one folder, put in place all at once: each file is
// written to a hidden exclusive temporary beside its final name, and only
// when every one is written and checked are they given their names. Destroyed
// before Commit, or after a Commit that failed, it leaves the folder as it
// was: the temporaries go, and so do the folders it had to create.
//
// When root stages files into a folder of another user's, what it creates
// (files and folders) belongs to the owner and group of the folder it lands
// in, so that the folder's owner can use it.
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
    // replaced there: it then keeps that file's permissions and owner. A new
    // file gets the permission bits `mode` (-1: read and write for all),
    // narrowed by the umask, as any program's new file.
    int Add(const std::string& finalPath, bool replaces, int mode = -1);

    // Creates the folder `path` in Folder() now.
    void AddFolder(const std::string& path);

    // The file `path` in Folder() is to be gone after Commit.
    void Remove(const std::string& path);

    // Gives every file its name, in the order they were added, then removes
    // the files to be removed. A file that was not meant to replace one is
    // never put over a file that appeared meanwhile (58). All or nothing: on
    // the first failure every file is given back what it held, and the error
    // is raised. Committed() then names the files put in place.
    void Commit();
    const std::vector<std::string>& Committed() const { return m_committed; }

private:
    // How far the commit got with one file, for the way back.
    enum class Step { Waiting, Created, Exchanged, SetAside };
    struct Staged {
        std::string finalPath;
        bool replaces = false;
        int mode = -1;
        std::unique_ptr<HiddenTemporaryFile> file; // none for a file to be removed
        // Holds the old file under a hidden name while the commit may still be undone.
        std::unique_ptr<HiddenTemporaryFile> aside;
        Step step = Step::Waiting;
    };
    void CreateFolder(const std::string& folder);
    void MakeOwnedByHolder(const std::string& path, int descriptor) const;
    void Prepare(Staged& staged) const;
    void PutInPlace(Staged& staged);
    void SetAside(Staged& staged);
    void RollBack();
    [[noreturn]] void Fail(int error, const std::string& path) const;

    std::string m_errorSource;
    std::string m_folder;
    std::vector<std::string> m_createdFolders;
    std::vector<Staged> m_files;
    std::vector<std::string> m_committed;
    bool m_done = false;
};

} // namespace ze6
