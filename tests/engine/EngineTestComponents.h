#pragma once

#include "platform/Components.h"
#include "support/ScriptedPrompt.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ze6::test {

struct LogEntry {
    std::string messageTemplate;
    std::string moduleName;
    std::string procName;
    std::string message;
};

// Real components with a scripted prompt and a log that records its entries
// in memory. Each piece can be made to fail, and the data-file reader can be
// given an attached file and linked sets that the real reader never reports.
class EngineTestComponents : public TestComponents {
public:
    EngineTestComponents();
    ~EngineTestComponents() override;

    std::unique_ptr<LogComponent> CreateLogComponent() override;
    std::unique_ptr<ApplicationInfo> CreateApplicationInfo() override;
    std::unique_ptr<ArchiveWriter> CreateArchiveWriter() override;

    // The messages of the entries written so far ("Runtime error occured: ...").
    std::vector<std::string> LoggedMessages() const;

    std::vector<LogEntry> log;
    int logCreations = 0;
    std::vector<std::string> loggerNames;
    bool failLogCreation = false;
    bool failLogWrite = false;

    std::string attachedFile;
    std::vector<ApplicationInfo::LinkedSet> linkedSets;
    std::vector<std::string> infoCalls;  // operations of the data-file reader, in order

    // Runs in place of the real writer's Finish when set.
    std::function<void(const std::string& archiveName)> onFinish;
};

}  // namespace ze6::test
