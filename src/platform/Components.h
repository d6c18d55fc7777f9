#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ze6 {

class Clock;
class Prompt;
class RemoteStorage;

// Opaque handle of an owner window; the widget layers pass a QWidget*.
using WindowHandle = void*;

// The product's data-file reader. The engine opens one data file per use; the
// editor uses ReadFileSummary to list recognised files.
class ApplicationInfo {
public:
    struct NumberedCompanion {
        std::int32_t Number = 0;
    };
    struct LinkedSet {
        std::string BasePath;
        std::string LinkedFile;
    };

    virtual ~ApplicationInfo() = default;
    virtual void Open(const std::string& path) = 0; // raises RuntimeError
    virtual std::string FullName() const = 0;
    virtual std::string Folder() const = 0;
    virtual std::string AttachedFile() const = 0;
    virtual void LoadLists() = 0;
    virtual std::vector<NumberedCompanion> NumberedCompanions() const = 0;
    virtual std::vector<LinkedSet> LinkedSets() const = 0;
    virtual void Close() = 0;
    // description, number and recognition are out-parameters; the file is
    // recognised when recognition is non-empty afterwards.
    virtual void ReadFileSummary(const std::string& path, std::string& description, std::int32_t& number,
                                 std::string& recognition) = 0;
};

// Writes one archive: entries are added in order, then Build and Commit (or
// Finish) write it and raise RuntimeError on failure. Never replaces an
// existing file, and a writer destroyed before Commit leaves nothing behind.
class ArchiveWriter {
public:
    virtual ~ArchiveWriter() = default;
    virtual void SetArchiveName(const std::string& path) = 0;
    virtual void AddFile(const std::string& path) = 0;
    // Told the size of every block read from the files, on the thread that
    // calls Build, before the next one is read; answering false abandons the
    // archive: Build then raises UserInterrupt.
    using BlockObserver = std::function<bool(std::uint64_t bytes)>;
    virtual void SetBlockObserver(BlockObserver observer) = 0;
    // Writes the archive under a hidden name beside its final one, syncs it
    // to disk and checks it; may run on any thread, so that several archives
    // are built at once.
    virtual void Build() = 0;
    // Gives the built archive its name. The name survives a crash only once
    // its folder is synced too (SyncFolderOf), which one call may do for
    // several archives committed into one folder.
    virtual void Commit() = 0;
    // Build, Commit and the sync of the folder, one archive alone.
    virtual void Finish() = 0;
    static void SyncFolderOf(const std::string& archivePath);
};

class PathUtility {
public:
    virtual ~PathUtility() = default;
    virtual std::string ReplaceExtension(const std::string& path, const std::string& extension) = 0;
};

// The product's settings (default folders), read-only.
class ProductSettings {
public:
    virtual ~ProductSettings() = default;
    virtual void SetProductKey(const std::string& key) = 0;
    virtual void Load() = 0;
    virtual std::string ConfigFolder() const = 0;
    virtual std::string DataFolder() const = 0;
};

// The application log. Both operations raise RuntimeError on failure.
class LogComponent {
public:
    virtual ~LogComponent() = default;
    virtual void SetLoggerName(const std::string& name) = 0;
    virtual void WriteError(const std::string& messageTemplate, const std::string& moduleName,
                            const std::string& procName, const std::string& message) = 0;
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void SetText(const std::string& text) = 0;
};

// Opens a web or mail link with the desktop's handler, without blocking.
class LinkOpener {
public:
    virtual ~LinkOpener() = default;
    virtual void Open(const std::string& link) = 0;
};

class FolderBrowser {
public:
    virtual ~FolderBrowser() = default;
    // The chosen folder's path, or empty when cancelled.
    virtual std::string Browse(WindowHandle owner, const std::string& prompt) = 0;
};

// The modal open and save dialogs. A filter is "description\0patterns\0\0"
// with patterns separated by ";". Results are full paths, or empty.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual std::string Open(WindowHandle owner, const std::string& initialLocation, const std::string& title,
                             const std::string& filter, bool fileMustExist) = 0;
    virtual std::string Save(WindowHandle owner, const std::string& initialLocation, const std::string& title,
                             const std::string& filter, bool confirmOverwrite) = 0;
};

// Creates the outside components, one instance per use. The real ones are the
// defaults; a test derives from this class and overrides only the part that
// cannot exist here or that must fail on purpose.
class Components {
public:
    virtual ~Components() = default;
    virtual std::unique_ptr<ApplicationInfo> CreateApplicationInfo();
    virtual std::unique_ptr<ArchiveWriter> CreateArchiveWriter();
    virtual std::unique_ptr<PathUtility> CreatePathUtility();
    virtual std::unique_ptr<ProductSettings> CreateProductSettings();
    virtual std::unique_ptr<LogComponent> CreateLogComponent();
    virtual std::unique_ptr<Clipboard> CreateClipboard();
    virtual std::unique_ptr<LinkOpener> CreateLinkOpener();
    virtual std::unique_ptr<FolderBrowser> CreateFolderBrowser();
    virtual std::unique_ptr<FileDialogs> CreateFileDialogs();
    // The rclone remotes, one helper process per call (a run makes one).
    virtual std::unique_ptr<RemoteStorage> CreateRemoteStorage();
    // The process's prompt: a real box where a display exists and the desktop
    // components are installed, standard error otherwise.
    virtual Prompt& GetPrompt();
    // "Now" for the names of the archives; the system's clock by default.
    virtual Clock& GetClock();
};

Components& GetComponents();
// Replaces the factory (tests); nullptr restores the real one. Not owned.
void SetComponents(Components* components);

// The components that need widgets (message boxes, pickers, dialogs, the
// clipboard, links) live in the platform's desktop part, so that the engine
// and its tests link QtCore only. A program that shows windows or boxes
// installs them once at start-up (UseQtDesktopComponents); until then the
// prompt writes to standard error and the others cannot be created (they
// throw std::logic_error).
class DesktopComponents {
public:
    virtual ~DesktopComponents() = default;
    virtual std::unique_ptr<Clipboard> CreateClipboard() = 0;
    virtual std::unique_ptr<LinkOpener> CreateLinkOpener() = 0;
    virtual std::unique_ptr<FolderBrowser> CreateFolderBrowser() = 0;
    virtual std::unique_ptr<FileDialogs> CreateFileDialogs() = 0;
    virtual Prompt& GetMessageBoxPrompt() = 0;
};

// Not owned; nullptr uninstalls them.
void SetDesktopComponents(DesktopComponents* desktop);

} // namespace ze6
