#pragma once

#include <string>

namespace ze6::modDAZadaro {

// The usage text, lines separated by CR LF; an empty message leaves out the error line.
std::string UsageText(const std::string& message);

// Shows the usage text in a box (OK, no icon, titled with the executable's name).
void ShowUsage(std::string message);

// How many job lines this process rejected with the usage text.
int RejectedJobLineCount();

} // namespace ze6::modDAZadaro
