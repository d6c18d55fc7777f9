#pragma once

#include <cstdint>
#include <string_view>

namespace ze6::modDAZadaro {

// The number a text begins with: optional sign, digits, optional decimal point
// and digits, optional exponent (E or D); "&H"/"&O" start a hexadecimal or octal
// number. Blanks, tabs and line feeds are skipped anywhere; reading stops at the
// first character that cannot continue the number; no number gives 0.
double ReadLeadingNumber(std::string_view text);

// Rounds half to even; outside the signed 32-bit range raises RuntimeError 6 "Overflow".
std::int32_t RoundToInt32(double value);

} // namespace ze6::modDAZadaro
