#include "support/ZipReader.h"

#include <memory>
#include <stdexcept>
#include <zip.h>

namespace ze6::test {

std::vector<ZipEntry> ReadZip(const std::string& path)
{
    int error = 0;
    std::unique_ptr<zip_t, decltype(&zip_discard)> archive(zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error),
                                                           &zip_discard);
    if (!archive)
        throw std::runtime_error("cannot open archive " + path + " (libzip error " + std::to_string(error) + ")");
    std::vector<ZipEntry> entries;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &stat) != 0)
            throw std::runtime_error("cannot stat entry in " + path);
        std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(
            zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(i), 0), &zip_fclose);
        if (!file)
            throw std::runtime_error("cannot open entry in " + path);
        std::string content(static_cast<std::size_t>(stat.size), '\0');
        if (stat.size > 0 && zip_fread(file.get(), content.data(), stat.size) != static_cast<zip_int64_t>(stat.size))
            throw std::runtime_error("cannot read entry (bad CRC or data) in " + path);
        entries.push_back({stat.name, std::move(content)});
    }
    return entries;
}

std::vector<std::string> ZipEntryNames(const std::string& path)
{
    std::vector<std::string> names;
    for (const auto& entry : ReadZip(path))
        names.push_back(entry.name);
    return names;
}

} // namespace ze6::test
