#pragma once

#include <string>

namespace ze6 {

// One job as the main window's grid holds it: three text cells in UTF-8, kept
// exactly as entered or loaded.
struct JobRow {
    std::string source;
    std::string target;
    std::string keepLast; // "" keeps every generation, otherwise decimal digits

    bool operator==(const JobRow&) const = default;
};

// The job line that Execute hands to the engine and Copy Syntax puts on the
// clipboard. Blanks at the ends of each cell are dropped, and "KEEPLAST:" is
// always written, with nothing after it when the cell is empty (keep all).
std::string GetCommandLine(const JobRow& row);

// Drops blanks (code 32, nothing else) at both ends, as every reader of job
// lines does.
std::string TrimBlanks(const std::string& text);

} // namespace ze6
