#pragma once

#include "diagnostics/modDebug.h"
#include "platform/RuntimeError.h"
#include "support/ScriptedPrompt.h"

#include <functional>
#include <string>
#include <vector>

namespace ze6::test {

// Real components with a scripted prompt and a log kept in memory that can be
// made to fail. The real data-file reader never reports an attached file or
// linked sets, so the ones set here are reported instead; the writer's Finish
// can be replaced to inject a fault.
class EngineTestComponents : public TestComponents {
public:
    EngineTestComponents() { modDebug::ResetForTesting(); }
    ~EngineTestComponents() override { modDebug::ResetForTesting(); }

    std::unique_ptr<LogComponent> CreateLogComponent() override
    {
        struct Log final : LogComponent {
            EngineTestComponents& o;
            explicit Log(EngineTestComponents& owner) : o(owner) {}
            void SetLoggerName(const std::string&) override {}
            void WriteError(const std::string&, const std::string& module, const std::string& proc,
                            const std::string& message) override
            {
                if (o.failLogWrite)
                    Raise(ErrorNumber::PermissionDenied, "LogComponent");
                o.log.push_back(module + ", " + proc + ", " + message);
            }
        };
        ++logCreations;
        if (failLogCreation)
            Raise(ErrorNumber::PathNotFound, "LogComponent");
        return std::make_unique<Log>(*this);
    }

    std::unique_ptr<ApplicationInfo> CreateApplicationInfo() override
    {
        struct Info final : ApplicationInfo {
            EngineTestComponents& o;
            std::unique_ptr<ApplicationInfo> r;
            Info(EngineTestComponents& owner, std::unique_ptr<ApplicationInfo> real) : o(owner), r(std::move(real)) {}
            void Open(const std::string& path) override { r->Open(path); }
            std::string FullName() const override { return r->FullName(); }
            std::string Folder() const override { return r->Folder(); }
            std::string AttachedFile() const override { return o.attachedFile; }
            void LoadLists() override { r->LoadLists(); }
            std::vector<NumberedCompanion> NumberedCompanions() const override { return r->NumberedCompanions(); }
            std::vector<LinkedSet> LinkedSets() const override { return o.linkedSets; }
            void Close() override { r->Close(); }
            void ReadFileSummary(const std::string& path, std::string& description, std::int32_t& number,
                                 std::string& recognition) override
            {
                r->ReadFileSummary(path, description, number, recognition);
            }
        };
        return std::make_unique<Info>(*this, Components::CreateApplicationInfo());
    }

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
            void Finish() override { o.onFinish ? o.onFinish(name) : r->Finish(); }
        };
        return std::make_unique<Writer>(*this, Components::CreateArchiveWriter());
    }

    std::vector<std::string> log; // "<module>, <procedure>, <message>"
    int logCreations = 0;
    bool failLogCreation = false, failLogWrite = false;
    std::string attachedFile;
    std::vector<ApplicationInfo::LinkedSet> linkedSets;
    std::function<void(const std::string& archiveName)> onFinish;
};

} // namespace ze6::test
