#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace ze6 {

// A run-time error as the engine's handlers see it: a classic error number,
// its description and the name of whatever raised it. Components raise it with
// their own name as source; the program's own errors carry "ZE6Vivevu".
// An error about one file or folder names it at the end of its description
// ("Permission denied: /srv/rz/PLANT7.rzd"): in a folder of thousands of data
// files the log must say which one failed.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(std::int32_t number, const std::string& description, std::string source, const std::string& path = {});

    std::int32_t Number() const { return m_number; }
    const std::string& Description() const { return m_description; }
    const std::string& Source() const { return m_source; }
    // The file or folder the failed operation acted on; empty when none.
    const std::string& Path() const { return m_path; }
    // The same failure told about another path (a staged file's final name
    // rather than the folder its temporary was made in).
    RuntimeError About(const std::string& path, const std::string& source) const;

private:
    std::int32_t m_number;
    std::string m_description;
    std::string m_source;
    std::string m_path;
};

inline constexpr const char* kProgramErrorSource = "ZE6Vivevu";

// Classic error numbers used for operating-system failures.
namespace ErrorNumber {
inline constexpr std::int32_t Overflow = 6;
inline constexpr std::int32_t UserInterrupt = 18;
inline constexpr std::int32_t BadFileName = 52;
inline constexpr std::int32_t FileNotFound = 53;
inline constexpr std::int32_t FileAlreadyOpen = 55;
inline constexpr std::int32_t DeviceIoError = 57;
inline constexpr std::int32_t FileAlreadyExists = 58;
inline constexpr std::int32_t DiskFull = 61;
inline constexpr std::int32_t PermissionDenied = 70;
inline constexpr std::int32_t PathFileAccessError = 75;
inline constexpr std::int32_t PathNotFound = 76;
} // namespace ErrorNumber

// The usual description of a classic error number ("Disk full" for 61).
std::string DescribeErrorNumber(std::int32_t number);

// Maps an errno value to the classic number and description.
RuntimeError ErrorFromErrno(int errnoValue, const std::string& source, const std::string& path = {});

// The same error naming `path`, unless it names a file or folder already.
RuntimeError WithPath(const RuntimeError& error, const std::string& path);

// Convenience for raising one of the classic errors with its usual text.
[[noreturn]] void Raise(std::int32_t number, const std::string& source, const std::string& path = {});

} // namespace ze6
