#pragma once

#include <string>

namespace ze6 {
class Prompt;
}

namespace ze6::modDAZadaro {

// The usage text, lines separated by CR LF; an empty message leaves out the error line.
std::string UsageText(const std::string& message);

// Shows the usage text in a box (OK, no icon, titled with the executable's
// name), through the process's prompt or the one given.
void ShowUsage(std::string message);
void ShowUsage(Prompt& prompt, std::string message);

} // namespace ze6::modDAZadaro
