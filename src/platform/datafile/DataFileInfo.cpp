#include "platform/RealComponents.h"
#include "platform/RuntimeError.h"
#include "platform/datafile/DataFileCompanions.h"
#include "platform/files/FileSystem.h"
#include "platform/files/PathText.h"

#include <QDateTime>
#include <QLocale>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace ze6 {

namespace {

constexpr const char* kSource = "ApplicationInfo";
constexpr const char* kDataFilePattern = "*.RZT?";

std::string Absolute(const std::string& path)
{
    if (!path.empty() && path.front() == FileSystem::kSeparator)
        return path;
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof buffer) == nullptr)
        return path;
    return FileSystem::WithTrailingSeparator(buffer) + path;
}

// Decimal digits in their shortest form only, within 32 bits: the number must
// give back this very name when the archive step rebuilds it.
bool ParseCompanionNumber(const std::string& digits, std::int32_t& number)
{
    if (digits.empty() || digits.size() > 10 || (digits.size() > 1 && digits.front() == '0'))
        return false;
    long long value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value > INT32_MAX)
        return false;
    number = static_cast<std::int32_t>(value);
    return true;
}

std::string Describe(const std::string& name, const struct stat& status)
{
    const bool generation6 = !name.empty() && name.back() == '6';
    const QLocale c = QLocale::c();
    const QString size = c.formattedDataSize(static_cast<qint64>(status.st_size), 1, QLocale::DataSizeSIFormat);
    const QString modified =
        QDateTime::fromSecsSinceEpoch(status.st_mtime).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return std::string(generation6 ? "Generation 6 data file" : "Data file") + ", " + size.toStdString() +
           ", modified " + modified.toStdString();
}

class DataFileInfo final : public ApplicationInfo {
public:
    void Open(const std::string& path) override
    {
        Close();
        const auto found = FileSystem::ResolvePath(path);
        if (!found) {
            struct stat status {};
            const bool unreachable = ::stat(path.c_str(), &status) != 0 && errno != ENOENT && errno != ENOTDIR;
            throw ErrorFromErrno(unreachable ? errno : ENOENT, kSource, path);
        }
        if (FileSystem::IsUntrustedLink(*found))
            Raise(ErrorNumber::PermissionDenied, kSource, *found);
        struct stat status {};
        if (::stat(found->c_str(), &status) != 0)
            throw ErrorFromErrno(errno, kSource, *found);
        if (!S_ISREG(status.st_mode))
            throw ErrorFromErrno(EISDIR, kSource, *found);
        // Opening proves that the file can be read, not only that it exists.
        const int descriptor = ::open(found->c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (descriptor < 0)
            throw ErrorFromErrno(errno, kSource, *found);
        ::close(descriptor);
        m_fullName = Absolute(*found);
        m_open = true;
    }

    std::string FullName() const override { return m_fullName; }
    std::string Folder() const override { return FileSystem::FolderPart(m_fullName); }
    std::string AttachedFile() const override { return {}; }

    void LoadLists() override
    {
        m_numbered.clear();
        if (!m_open)
            Raise(ErrorNumber::BadFileName, kSource);
        const std::string folder = Folder();
        const std::string start = DataFileCompanions::NumberedPrefix(m_fullName).substr(folder.size());
        const std::string head = FileSystem::FoldCase(start);
        std::vector<std::string> names;
        try {
            names = FileSystem::ListFilesStartingWith(folder, start);
        } catch (const RuntimeError& error) {
            throw RuntimeError(error.Number(), error.Description(), kSource);
        }
        std::set<std::int32_t> numbers;
        for (const auto& name : names) {
            const std::string folded = FileSystem::FoldCase(name);
            std::int32_t number = 0;
            if (folded.size() > head.size() && folded.compare(0, head.size(), head) == 0 &&
                ParseCompanionNumber(folded.substr(head.size()), number))
                numbers.insert(number);
        }
        for (const std::int32_t number : numbers)
            m_numbered.push_back({number});
    }

    std::vector<NumberedCompanion> NumberedCompanions() const override { return m_numbered; }
    std::vector<LinkedSet> LinkedSets() const override { return {}; }

    void Close() override
    {
        m_open = false;
        m_fullName.clear();
        m_numbered.clear();
    }

    void ReadFileSummary(const std::string& path, std::string& description, std::int32_t& number,
                         std::string& recognition) override
    {
        try {
            const std::string name = FileSystem::NamePart(path);
            if (!FileSystem::MatchesWildcard(name, kDataFilePattern))
                return;
            struct stat status {};
            if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || ::access(path.c_str(), R_OK) != 0)
                return;
            description = Describe(name, status);
            number = !name.empty() && name.back() == '6' ? 6 : 0;
            recognition = name.back() == '6' ? "RZT6" : "RZT";
        } catch (...) {
            // A file that cannot be described is simply not offered.
            description.clear();
            recognition.clear();
        }
    }

private:
    bool m_open = false;
    std::string m_fullName;
    std::vector<NumberedCompanion> m_numbered;
};

} // namespace

std::unique_ptr<ApplicationInfo> MakeDataFileInfo()
{
    return std::make_unique<DataFileInfo>();
}

} // namespace ze6
