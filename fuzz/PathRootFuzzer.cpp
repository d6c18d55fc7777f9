// GetFileExtension on any text, and CreateFolderPath on paths kept inside a
// scratch folder (the fuzzer runs as whoever starts it, so it must never
// create folders elsewhere). CreateFolderPath must end for every input.
#include "engine/PathOperations.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

const std::string& Scratch()
{
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "ze6fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        return pattern + "/";
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string extension = ze6::modDAZadaro::GetFileExtension(text);
    if (extension.size() > text.size())
        std::abort();
    if (size > 512 || text.find('\0') != std::string::npos || text.find("..") != std::string::npos)
        return 0;
    (void)ze6::modDAZadaro::CreateFolderPath(Scratch() + text);
    return 0;
}
