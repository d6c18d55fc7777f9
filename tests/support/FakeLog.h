#pragma once

#include "platform/Components.h"

#include <memory>
#include <string>
#include <vector>

namespace ze6::test {

// The application log kept in memory, for components to create: each entry
// as "<module>, <procedure>, <message>". Creation or writing can be made to
// fail the way the real log fails, with a RuntimeError of "LogComponent".
class FakeLog {
public:
    std::unique_ptr<LogComponent> CreateLog();

    std::vector<std::string> log;
    std::vector<std::string> loggerNames, templates;
    int logCreations = 0;
    bool failLogCreation = false, failLogWrite = false;
};

} // namespace ze6::test
