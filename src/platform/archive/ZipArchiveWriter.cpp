#include "platform/RealComponents.h"
#include "platform/RuntimeError.h"
#include "platform/archive/ArchiveEntryNames.h"
#include "platform/archive/ArchiveReadBack.h"
#include "platform/archive/HiddenTemporaryFile.h"
#include "platform/archive/ZipArchiveSink.h"
#include "platform/archive/ZipFileSource.h"
#include "platform/files/CaseFolding.h"
#include "platform/files/FileSystem.h"
#include "platform/files/PathText.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <zip.h>

namespace ze6 {

namespace {

constexpr const char* kSource = "ArchiveWriter";
// libzip's default is zlib's slowest level, several times slower for a few
// per cent of size; 6 is what zip and gzip use. The sources compress it
// themselves, on every core.
constexpr int kDeflateLevel = 6;
constexpr std::int32_t kOutOfMemory = 7;
// Pauses before a file that changed while it was read is read again: the
// product's own application may be saving it, which takes a moment. About ten
// seconds in all before the archive is given up.
constexpr std::chrono::milliseconds kRetryPauses[] = {std::chrono::seconds(1), std::chrono::seconds(2),
                                                      std::chrono::seconds(3), std::chrono::seconds(4)};

// Raised when a file changed while it was being read; the archive is then
// written again from the start.
struct FileChanged {
    RuntimeError error;
};

struct SourceFile {
    std::string path; // as found on disk
    bool folder = false;
    time_t modified = 0;
};

// The last component, also of a folder written with a final separator.
std::string EntryName(const std::string& path)
{
    return FileSystem::NamePart(FileSystem::WithoutTrailingSeparators(path));
}

// Names in UTF-8 are marked as such; a name that is not valid UTF-8 (a Linux
// name in a legacy encoding) is stored byte for byte without the mark.
zip_flags_t NameEncoding(const std::string& name)
{
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return ZIP_FL_ENC_GUESS;
    const auto codePoints = FoldToCodePoints(name);
    const bool valid = std::none_of(codePoints.begin(), codePoints.end(), [](char32_t c) { return c >= kRawByteBase; });
    return valid ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_CP437;
}

bool NameTaken(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

SourceFile Examine(const std::string& path)
{
    const std::string found = FileSystem::ResolvePath(path).value_or(path);
    // The engine leaves such links out; one planted since then fails the archive.
    if (FileSystem::IsUntrustedLink(found))
        Raise(ErrorNumber::PermissionDenied, kSource, found);
    struct stat status {};
    if (::stat(found.c_str(), &status) != 0)
        throw ErrorFromErrno(errno, kSource, found);
    const std::string name = EntryName(found);
    if (name.empty() || name == "." || name == ".." || name == std::string(1, FileSystem::kSeparator))
        Raise(ErrorNumber::BadFileName, kSource, found);
    return {found, S_ISDIR(status.st_mode), status.st_mtime};
}

class ZipArchiveWriter final : public ArchiveWriter {
public:
    explicit ZipArchiveWriter(ArchiveWriterFaults faults) : m_faults(std::move(faults)) {}

    void SetArchiveName(const std::string& path) override { m_archiveName = path; }

    void AddFile(const std::string& path) override { m_files.push_back(path); }

    void SetBlockObserver(BlockObserver observer) override { m_observer = std::move(observer); }

    void Build() override
    {
        Guarded([this] { Write(); });
    }

    void Commit() override
    {
        Guarded([this] {
            if (!m_temporary)
                throw std::logic_error("the archive was not built");
            m_temporary->GiveFinalName(m_finalPath);
            m_temporary.reset();
            FileSystem::InvalidateCache(FileSystem::FolderPart(m_finalPath));
        });
    }

    void Finish() override
    {
        Build();
        Commit();
        SyncFolderOf(m_finalPath);
    }

private:
    template <typename Body> void Guarded(Body body)
    {
        try {
            body();
        } catch (const RuntimeError&) {
            throw;
        } catch (const std::bad_alloc&) {
            throw RuntimeError(kOutOfMemory, "Out of memory", kSource);
        } catch (const std::exception& error) {
            throw RuntimeError(ErrorNumber::PathFileAccessError, error.what(), kSource, m_archiveName);
        }
    }
    void Write();
    void PauseBeforeRetry(std::chrono::milliseconds pause) const
    {
        if (m_faults.retryWait)
            m_faults.retryWait(pause);
        else
            std::this_thread::sleep_for(pause);
    }
    void Archive(int descriptor, const std::vector<SourceFile>& files, const std::vector<std::string>& names);

    const ArchiveWriterFaults m_faults;
    std::string m_archiveName;
    std::vector<std::string> m_files;
    BlockObserver m_observer;
    // Built and checked, waiting for Commit.
    std::unique_ptr<HiddenTemporaryFile> m_temporary;
    std::string m_finalPath;
};

void ZipArchiveWriter::Write()
{
    const std::string archiveName = EntryName(m_archiveName);
    if (archiveName.empty() || m_archiveName.back() == FileSystem::kSeparator || archiveName == "." ||
        archiveName == "..")
        Raise(ErrorNumber::BadFileName, kSource, m_archiveName);
    if (m_files.empty())
        throw RuntimeError(ErrorNumber::PathFileAccessError, "No files to archive", kSource);

    const std::string folderPart = FileSystem::FolderPart(m_archiveName);
    const auto folder =
        FileSystem::ResolvePath(folderPart.empty() ? std::string(".") + FileSystem::kSeparator : folderPart);
    if (!folder)
        Raise(ErrorNumber::PathNotFound, kSource, folderPart);
    const std::string finalPath = *folder + archiveName;
    // Only the exact name can be replaced; testing other letter cases here
    // would list the whole target folder again for every archive.
    if (NameTaken(finalPath))
        Raise(ErrorNumber::FileAlreadyExists, kSource, finalPath);

    for (std::size_t attempt = 0;; ++attempt) {
        std::vector<SourceFile> files;
        std::vector<std::string> bareNames;
        for (const auto& path : m_files) {
            files.push_back(Examine(path));
            bareNames.push_back(EntryName(files.back().path));
        }
        const std::vector<std::string> names = ArchiveEntryNames(bareNames);

        auto temporary = std::make_unique<HiddenTemporaryFile>(*folder, archiveName, kSource, m_faults.nameSuffixes);
        try {
            Archive(temporary->Descriptor(), files, names);
        } catch (const FileChanged& changed) {
            if (attempt == std::size(kRetryPauses))
                throw changed.error;
            PauseBeforeRetry(kRetryPauses[attempt]);
            continue;
        } catch (const RuntimeError& error) {
            // What failed here was the writing of the archive itself.
            throw WithPath(error, finalPath);
        }
        m_temporary = std::move(temporary);
        m_finalPath = finalPath;
        return;
    }
}

void ZipArchiveWriter::Archive(int descriptor, const std::vector<SourceFile>& files,
                               const std::vector<std::string>& names)
{
    ZipArchiveSink sink(descriptor);
    std::vector<std::unique_ptr<ZipFileSource>> sources;
    zip_error_t error;
    zip_error_init(&error);
    const auto libzipFailure = [&](const std::string& what) {
        for (const auto& source : sources) {
            if (source->Changed())
                throw FileChanged{*source->Failure()};
            if (source->Failure())
                return *source->Failure();
        }
        if (sink.Failure())
            return *sink.Failure();
        return RuntimeError(ErrorNumber::PathFileAccessError, "The archive cannot be written: " + what, kSource);
    };

    zip_source_t* target = sink.CreateSource(&error);
    if (target == nullptr)
        throw libzipFailure(zip_error_strerror(&error));
    std::unique_ptr<zip_t, decltype(&zip_discard)> archive(zip_open_from_source(target, ZIP_CREATE, &error),
                                                           &zip_discard);
    if (!archive) {
        zip_source_free(target);
        const RuntimeError failure = libzipFailure(zip_error_strerror(&error));
        zip_error_fini(&error);
        throw failure;
    }
    zip_error_fini(&error);

    for (std::size_t i = 0; i < files.size(); ++i) {
        const SourceFile& file = files[i];
        const zip_flags_t encoding = NameEncoding(names[i]);
        zip_int64_t index = -1;
        if (file.folder) {
            index = zip_dir_add(archive.get(), names[i].c_str(), encoding);
        } else {
            sources.push_back(std::make_unique<ZipFileSource>(file.path, kDeflateLevel, m_observer));
            zip_source_t* source = sources.back()->CreateSource(zip_get_error(archive.get()));
            if (source == nullptr)
                throw libzipFailure(zip_strerror(archive.get()));
            index = zip_file_add(archive.get(), names[i].c_str(), source, encoding);
            if (index < 0)
                zip_source_free(source);
            else if (zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                              static_cast<zip_uint32_t>(kDeflateLevel)) != 0)
                index = -1;
        }
        if (index < 0 || zip_file_set_mtime(archive.get(), static_cast<zip_uint64_t>(index), file.modified, 0) != 0)
            throw libzipFailure(zip_strerror(archive.get()));
    }

    // zip_close reads every file and writes the archive; on failure the
    // archive object stays ours to discard.
    if (zip_close(archive.get()) != 0)
        throw libzipFailure(zip_strerror(archive.get()));
    archive.release();

    std::vector<ExpectedEntry> expected;
    std::size_t next = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i].folder) {
            expected.push_back({names[i] + FileSystem::kSeparator, 0, 0, true});
            continue;
        }
        const ZipFileSource& source = *sources[next++];
        if (!source.ReadToEnd())
            throw RuntimeError(ErrorNumber::PathFileAccessError, "File was not read completely", kSource,
                               files[i].path);
        expected.push_back(
            {names[i], source.BytesRead(), source.Crc(), false, source.StoredSize(), source.StoredCrc()});
    }
    if (m_faults.beforeReadBack)
        m_faults.beforeReadBack(descriptor);
    CheckArchiveReadsBack(descriptor, expected);
}

} // namespace

void ArchiveWriter::SyncFolderOf(const std::string& archivePath)
{
    FileSystem::SyncFolderOf(archivePath, kSource);
}

std::unique_ptr<ArchiveWriter> MakeZipArchiveWriter(ArchiveWriterFaults faults)
{
    return std::make_unique<ZipArchiveWriter>(std::move(faults));
}

} // namespace ze6
