#pragma once

#include <QTemporaryDir>
#include <string>
#include <vector>

namespace ze6::test {

using Names = std::vector<std::string>;

// A real folder that is removed with the object. Paths end in "/".
class TempFolder {
public:
    TempFolder();
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& relative) const { return m_path + relative; }

    // Writes a file (creating its folders) and returns its full path.
    std::string Write(const std::string& relative, const std::string& content = "data") const;
    std::string MakeFolder(const std::string& relative) const;

private:
    QTemporaryDir m_dir;
    std::string m_path;
};

std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// Names in a folder, sorted; none when it cannot be read.
Names FolderNames(const std::string& folder);
// The text in double quotes, as a job line writes a path. (Built by appending:
// GCC 12 at -O3 warns about `"\"" + std::string`, a false positive.)
std::string Quoted(const std::string& text);
// Bytes that deflate cannot shrink, the same for the same seed.
std::string RandomBytes(std::size_t size, unsigned seed);

} // namespace ze6::test
