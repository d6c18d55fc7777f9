#pragma once

#include <string>
#include <vector>

namespace ze6 {

// A private folder of the process's own (mode 0700, under $TMPDIR or /tmp)
// for a file that must carry a chosen name; it goes with everything in it on
// destruction.
class ScratchFolder final {
public:
    // Raises RuntimeError (with `errorSource`) when no folder can be made.
    explicit ScratchFolder(const std::string& errorSource);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Writes `content` to a new file `name` in the folder; returns its path.
    std::string Write(const std::string& name, const std::string& content);

private:
    std::string m_errorSource;
    std::string m_folder;
    std::vector<std::string> m_files;
};

} // namespace ze6
