#pragma once

#include <string>

namespace ze6::modDAZadaro {

// The product's configuration and data folders (product key "RZ6"), as the
// settings report them; empty when unset or unreadable.
std::string GetDefaultConfigFolder();
std::string GetDefaultSourceFolder();

} // namespace ze6::modDAZadaro
