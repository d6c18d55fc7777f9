#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ze6::modDAZadaro {

inline constexpr std::string_view kArchiveExtension = ".RZZ";

// The folded stem of an archive name (the stem, an underscore and a timestamp
// "yyyy-mm-dd-hh-mm-ss", then ".RZZ" in any letter case): archives with the
// same key form one series. nullopt for any other name.
std::optional<std::string> SeriesKey(const std::string& name);

// The "yyyy-mm-dd-hh-mm-ss" of an archive name, whose text order is its time order.
std::string_view TimestampOf(std::string_view name);

// The stem's file name (up to and including the underscore in front of the
// timestamp); empty when archivePath is not an archive path in targetFolder.
std::string StemName(const std::string& archivePath, const std::string& targetFolder);

} // namespace ze6::modDAZadaro
