#include "engine/PathOperations.h"

#include "platform/files/FileSystem.h"

#include <QString>

namespace ze6::modDAZadaro {

namespace {

constexpr char kSeparator = FileSystem::kSeparator;

// Length of the part of a path that is never created: "/" for an absolute
// path here; a relative path has none and starts at its first component.
// Where the separator is a backslash the drive ("C:\") or the network share
// ("\\server\share\") is the root instead.
std::size_t RootLength(const std::string& path)
{
    if constexpr (kSeparator == '\\') {
        if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
            const auto serverEnd = path.find('\\', 2);
            if (serverEnd == std::string::npos)
                return path.size();
            const auto shareEnd = path.find('\\', serverEnd + 1);
            return shareEnd == std::string::npos ? path.size() : shareEnd + 1;
        }
        return std::min<std::size_t>(3, path.size());
    } else {
        return !path.empty() && path[0] == kSeparator ? 1 : 0;
    }
}

bool IsAscii(std::string_view text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

bool FileExists(const std::string& path)
{
    // A final separator does not make the test fail for a file: the editor
    // accepts a target that exists as a file, and the archive step then
    // reports the failure it meets there.
    try {
        return FileSystem::PathExists(FileSystem::WithoutTrailingSeparators(path));
    } catch (...) {
        // An existence test answers "no" to whatever it cannot decide.
        return false;
    }
}

std::string GetFileExtension(const std::string& path)
{
    for (std::size_t i = path.size(); i-- > 0;) {
        const char c = path[i];
        if (c == ':' || c == kSeparator)
            return {};
        if (c != '.')
            continue;
        if (i + 1 == path.size())
            return {};
        std::string extension = path.substr(i);
        // A quoted file name keeps its closing quote out of the extension.
        if (extension.back() == '"')
            extension.pop_back();
        return extension;
    }
    return {};
}

std::string GetFolderPart(const std::string& path)
{
    return FileSystem::FolderPart(path);
}

bool MakeFolder(const std::string& path)
{
    try {
        FileSystem::MakeSingleFolder(path);
    } catch (...) {
        // The outcome is judged by the existence test below, not by the attempt.
    }
    return FileExists(path);
}

bool CreateFolderPath(const std::string& path)
{
    // The folders are created under the spelling found on disk: a level that
    // exists in another letter case is followed, not created a second time.
    std::size_t pos = RootLength(path);
    std::string built = path.substr(0, pos);
    while (pos < path.size()) {
        const auto end = path.find(kSeparator, pos);
        const std::size_t next = end == std::string::npos ? path.size() : end + 1;
        const std::string candidate = built + path.substr(pos, next - pos);
        if (FileExists(candidate)) {
            const auto found = FileSystem::ResolvePath(candidate);
            built = found ? *found : candidate;
            if (end != std::string::npos)
                built = WithTrailingSeparator(built);
        } else {
            if (!MakeFolder(candidate))
                return false;
            built = candidate;
        }
        pos = next;
    }
    return true;
}

std::string ChangeFileExtension(const std::string& path, const std::string& extension)
{
    const auto utility = GetComponents().CreatePathUtility();
    return utility->ReplaceExtension(path, extension);
}

std::string BrowseFolder(WindowHandle ownerWindow, const std::string& prompt)
{
    try {
        const auto browser = GetComponents().CreateFolderBrowser();
        std::string folder = browser->Browse(ownerWindow, prompt);
        if (!folder.empty() && folder.back() != kSeparator)
            folder += kSeparator;
        return folder;
    } catch (...) {
        // A picker that cannot be shown is the same as one the user cancelled.
        return {};
    }
}

std::string TrimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string UpperCase(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    if (IsAscii(text))
        return upper;
    const QString unicode = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QByteArray back = unicode.toUtf8();
    // Bytes that are not UTF-8 would not survive the round trip: such text gets ASCII letters only.
    if (std::string_view(back.constData(), static_cast<std::size_t>(back.size())) != text)
        return upper;
    return unicode.toUpper().toStdString();
}

} // namespace ze6::modDAZadaro
