#pragma once

#include <string>
#include <vector>

namespace ze6 {

// Names are compared by their case-folded code points. A byte that does not
// begin a valid UTF-8 sequence stands for itself: it becomes a value above the
// Unicode range, so a name that is not UTF-8 still compares (and matches)
// exactly, byte for byte, and never equals a valid character.
std::vector<char32_t> FoldToCodePoints(const std::string& text);

inline constexpr char32_t kRawByteBase = 0x110000;

} // namespace ze6
