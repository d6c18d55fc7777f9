#pragma once

#include "diagnostics/modDebug.h"
#include "platform/RuntimeError.h"
#include "support/FakeDataFileReader.h"
#include "support/FakeLog.h"
#include "support/ScriptedPrompt.h"

#include <functional>
#include <string>
#include <vector>

namespace ze6::test {

// Real components with a scripted prompt, the log kept in memory and the
// data-file reader's attached file and linked sets set by the test; the
// writer's work can be replaced to inject a fault (onFinish then runs when
// the archive would be committed, on the run's thread).
class EngineTestComponents : public TestComponents, public FakeLog, public FakeDataFileReader {
public:
    EngineTestComponents() { modDebug::ResetForTesting(); }
    ~EngineTestComponents() override { modDebug::ResetForTesting(); }

    std::unique_ptr<LogComponent> CreateLogComponent() override { return CreateLog(); }
    std::unique_ptr<ApplicationInfo> CreateApplicationInfo() override { return CreateReader(); }

    std::unique_ptr<ArchiveWriter> CreateArchiveWriter() override
    {
        struct Writer final : ArchiveWriter {
            EngineTestComponents& o;
            std::unique_ptr<ArchiveWriter> r;
            std::string name;
            Writer(EngineTestComponents& owner, std::unique_ptr<ArchiveWriter> real) : o(owner), r(std::move(real)) {}
            void SetArchiveName(const std::string& path) override { name = path, r->SetArchiveName(path); }
            void AddFile(const std::string& path) override { r->AddFile(path); }
            void SetBlockObserver(BlockObserver observer) override { r->SetBlockObserver(std::move(observer)); }
            void Build() override
            {
                if (!o.onFinish)
                    r->Build();
            }
            void Commit() override { o.onFinish ? o.onFinish(name) : r->Commit(); }
            void Finish() override { o.onFinish ? o.onFinish(name) : r->Finish(); }
        };
        return std::make_unique<Writer>(*this, Components::CreateArchiveWriter());
    }

    std::function<void(const std::string& archiveName)> onFinish;
};

} // namespace ze6::test
