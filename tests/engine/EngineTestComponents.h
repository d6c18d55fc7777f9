#pragma once

#include "diagnostics/modDebug.h"
#include "support/FakeDataFileReader.h"
#include "support/FakeLog.h"
#include "support/ScriptedPrompt.h"

namespace ze6::test {

// Real components with a scripted prompt, the log kept in memory and the
// data-file reader's attached file and linked sets set by the test.
class EngineTestComponents : public TestComponents, public FakeLog, public FakeDataFileReader {
public:
    EngineTestComponents() { modDebug::ResetForTesting(); }
    ~EngineTestComponents() override { modDebug::ResetForTesting(); }

    std::unique_ptr<LogComponent> CreateLogComponent() override { return CreateLog(); }
    std::unique_ptr<ApplicationInfo> CreateApplicationInfo() override { return CreateReader(); }
};

} // namespace ze6::test
