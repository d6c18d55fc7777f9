#pragma once

#include "support/ScriptedPrompt.h"

#include <functional>
#include <string>
#include <vector>

namespace ze6::test {

// Real components with a scripted prompt and a log kept in memory. The log can
// be made to fail, the data-file reader reports the attached file and linked
// sets set here (the real one never has any) and records its calls, and the
// writer's Finish can be replaced.
class EngineTestComponents : public TestComponents {
public:
    EngineTestComponents();
    ~EngineTestComponents() override;

    std::unique_ptr<LogComponent> CreateLogComponent() override;
    std::unique_ptr<ApplicationInfo> CreateApplicationInfo() override;
    std::unique_ptr<ArchiveWriter> CreateArchiveWriter() override;

    std::vector<std::string> log; // "<module>, <procedure>, <message>"
    int logCreations = 0;
    bool failLogCreation = false;
    bool failLogWrite = false;

    std::string attachedFile;
    std::vector<ApplicationInfo::LinkedSet> linkedSets;
    std::vector<std::string> infoCalls;
    std::function<void(const std::string& archiveName)> onFinish;
};

} // namespace ze6::test
