#include "EngineTestComponents.h"

#include "diagnostics/modDebug.h"
#include "engine/JobLine.h"
#include "platform/RuntimeError.h"

namespace ze6::test {

namespace {

class MemoryLog final : public LogComponent {
public:
    explicit MemoryLog(EngineTestComponents& owner) : m_owner(owner) {}
    void SetLoggerName(const std::string&) override {}
    void WriteError(const std::string&, const std::string& module, const std::string& proc,
                    const std::string& message) override
    {
        if (m_owner.failLogWrite)
            Raise(ErrorNumber::PermissionDenied, "LogComponent");
        m_owner.log.push_back(module + ", " + proc + ", " + message);
    }

private:
    EngineTestComponents& m_owner;
};

class FakedInfo final : public ApplicationInfo {
public:
    FakedInfo(EngineTestComponents& owner, std::unique_ptr<ApplicationInfo> real) : o(owner), r(std::move(real)) {}
    void SetModeFlag(bool value) override { Call(value ? "ModeFlag true" : "ModeFlag false"), r->SetModeFlag(value); }
    void Open(const std::string& path) override { Call("Open " + path), r->Open(path); }
    std::string FullName() const override { return Call("FullName"), r->FullName(); }
    std::string Folder() const override { return Call("Folder"), r->Folder(); }
    std::string AttachedFile() const override { return Call("AttachedFile"), o.attachedFile; }
    void LoadLists() override { Call("LoadLists"), r->LoadLists(); }
    std::vector<NumberedCompanion> NumberedCompanions() const override
    {
        return Call("NumberedCompanions"), r->NumberedCompanions();
    }
    std::vector<LinkedSet> LinkedSets() const override { return Call("LinkedSets"), o.linkedSets; }
    void Close() override { Call("Close"), r->Close(); }
    void ReadFileSummary(const std::string& path, std::string& description, std::int32_t& number,
                         std::string& recognition) override
    {
        r->ReadFileSummary(path, description, number, recognition);
    }

private:
    int Call(const std::string& call) const { return o.infoCalls.push_back(call), 0; }
    EngineTestComponents& o;
    std::unique_ptr<ApplicationInfo> r;
};

class HookedWriter final : public ArchiveWriter {
public:
    HookedWriter(EngineTestComponents& owner, std::unique_ptr<ArchiveWriter> real) : o(owner), r(std::move(real)) {}
    void SetArchiveName(const std::string& path) override { m_name = path, r->SetArchiveName(path); }
    void AddFile(const std::string& path, std::int32_t a, std::int32_t b, const std::string& text) override
    {
        r->AddFile(path, a, b, text);
    }
    void Finish() override { o.onFinish ? o.onFinish(m_name) : r->Finish(); }

private:
    EngineTestComponents& o;
    std::unique_ptr<ArchiveWriter> r;
    std::string m_name;
};

} // namespace

EngineTestComponents::EngineTestComponents()
{
    modDebug::ResetForTesting();
    modDAZadaro::KeepLastCount() = 0;
}

EngineTestComponents::~EngineTestComponents()
{
    modDebug::ResetForTesting();
}

std::unique_ptr<LogComponent> EngineTestComponents::CreateLogComponent()
{
    ++logCreations;
    if (failLogCreation)
        Raise(ErrorNumber::PathNotFound, "LogComponent");
    return std::make_unique<MemoryLog>(*this);
}

std::unique_ptr<ApplicationInfo> EngineTestComponents::CreateApplicationInfo()
{
    return std::make_unique<FakedInfo>(*this, Components::CreateApplicationInfo());
}

std::unique_ptr<ArchiveWriter> EngineTestComponents::CreateArchiveWriter()
{
    return std::make_unique<HookedWriter>(*this, Components::CreateArchiveWriter());
}

} // namespace ze6::test
