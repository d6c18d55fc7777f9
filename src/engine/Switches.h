#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ze6::modDAZadaro {

// A command-line switch. It is recognised in the first argument, in any
// letter case; its operands are the arguments after it as the shell passed
// them, so a path with blanks needs no quotes of its own.
struct Switch {
    const char* name;      // in upper case, "/VERIFY"
    const char* usageLine; // the line the usage text shows for it
    std::size_t fewestOperands;
    std::size_t mostOperands;
    const char* operandError;                             // the usage text's error line for a wrong count
    int (*run)(const std::vector<std::string>& operands); // returns the exit status
};

// Every switch, in the order the usage text lists them.
std::span<const Switch> Switches();

// Runs the switch named by the first argument and returns its exit status;
// nullopt when the first argument is no switch. A wrong number of operands
// shows the usage text with the switch's error line (status 2).
std::optional<int> RunSwitch(const std::vector<std::string>& arguments);

} // namespace ze6::modDAZadaro
