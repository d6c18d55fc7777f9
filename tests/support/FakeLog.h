#pragma once

#include "platform/Components.h"

#include <memory>
#include <string>
#include <vector>

namespace ze6::test {

// The application log kept in memory, for components to create: each entry
// as "<module>, <procedure>, <message>". What the program does when the real
// log fails is checked through the program (reliability tests).
class FakeLog {
public:
    std::unique_ptr<LogComponent> CreateLog();

    std::vector<std::string> log;
    std::vector<std::string> templates;
    int logCreations = 0;
};

} // namespace ze6::test
