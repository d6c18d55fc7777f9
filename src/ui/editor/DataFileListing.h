#pragma once

#include "ui/editor/FileGridRow.h"

#include <string>
#include <vector>

namespace ze6 {

// The files of `folder` (ending in a separator) that match `pattern` and that
// the data-file reader recognises, in listing order, each with the reader's
// description and the given tick state. Unreadable folders and files, or a
// reader that cannot be created, leave files out without a message.
std::vector<FileGridRow> ReadDataFiles(const std::string& folder, const std::string& pattern, bool ticked);

} // namespace ze6
