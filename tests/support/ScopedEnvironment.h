#pragma once

#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ze6::test {

// Environment variables set (or, without a value, unset) until the end of the scope.
class ScopedEnvironment {
public:
    using Value = std::optional<std::string>;
    ScopedEnvironment(std::initializer_list<std::pair<const char*, Value>> values)
    {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name);
            m_saved.emplace_back(name, old != nullptr ? Value(old) : std::nullopt);
            value ? setenv(name, value->c_str(), 1) : unsetenv(name);
        }
    }
    ~ScopedEnvironment()
    {
        for (const auto& [name, value] : m_saved)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }

private:
    std::vector<std::pair<std::string, Value>> m_saved;
};

} // namespace ze6::test
