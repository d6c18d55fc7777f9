#include "EngineTestComponents.h"

#include "diagnostics/modDebug.h"
#include "engine/JobLine.h"
#include "platform/RuntimeError.h"

namespace ze6::test {

namespace {

class RecordingLog final : public LogComponent {
public:
    explicit RecordingLog(EngineTestComponents& owner) : m_owner(owner) {}

    void SetLoggerName(const std::string& name) override { m_owner.loggerNames.push_back(name); }

    void WriteError(const std::string& messageTemplate, const std::string& moduleName, const std::string& procName,
                    const std::string& message) override
    {
        if (m_owner.failLogWrite)
            Raise(ErrorNumber::PermissionDenied, "LogComponent");
        m_owner.log.push_back({messageTemplate, moduleName, procName, message});
    }

private:
    EngineTestComponents& m_owner;
};

// The real reader, with the attached file and linked sets of the test.
class RecordingInfo final : public ApplicationInfo {
public:
    RecordingInfo(EngineTestComponents& owner, std::unique_ptr<ApplicationInfo> real)
        : m_owner(owner), m_real(std::move(real))
    {
    }

    void SetModeFlag(bool value) override
    {
        Record(value ? "ModeFlag=true" : "ModeFlag=false");
        m_real->SetModeFlag(value);
    }
    void Open(const std::string& path) override
    {
        Record("Open " + path);
        m_real->Open(path);
    }
    std::string FullName() const override
    {
        Record("FullName");
        return m_real->FullName();
    }
    std::string Folder() const override
    {
        Record("Folder");
        return m_real->Folder();
    }
    std::string AttachedFile() const override
    {
        Record("AttachedFile");
        return m_owner.attachedFile;
    }
    void LoadLists() override
    {
        Record("LoadLists");
        m_real->LoadLists();
    }
    std::vector<NumberedCompanion> NumberedCompanions() const override
    {
        Record("NumberedCompanions");
        return m_real->NumberedCompanions();
    }
    std::vector<LinkedSet> LinkedSets() const override
    {
        Record("LinkedSets");
        return m_owner.linkedSets;
    }
    void Close() override
    {
        Record("Close");
        m_real->Close();
    }
    void ReadFileSummary(const std::string& path, std::string& description, std::int32_t& number,
                         std::string& recognition) override
    {
        m_real->ReadFileSummary(path, description, number, recognition);
    }

private:
    void Record(const std::string& call) const { m_owner.infoCalls.push_back(call); }

    EngineTestComponents& m_owner;
    std::unique_ptr<ApplicationInfo> m_real;
};

class HookedWriter final : public ArchiveWriter {
public:
    HookedWriter(EngineTestComponents& owner, std::unique_ptr<ArchiveWriter> real)
        : m_owner(owner), m_real(std::move(real))
    {
    }
    void SetArchiveName(const std::string& path) override
    {
        m_name = path;
        m_real->SetArchiveName(path);
    }
    void AddFile(const std::string& path, std::int32_t flags1, std::int32_t flags2, const std::string& text) override
    {
        m_real->AddFile(path, flags1, flags2, text);
    }
    void Finish() override
    {
        if (m_owner.onFinish)
            m_owner.onFinish(m_name);
        else
            m_real->Finish();
    }

private:
    EngineTestComponents& m_owner;
    std::unique_ptr<ArchiveWriter> m_real;
    std::string m_name;
};

}  // namespace

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
    return std::make_unique<RecordingLog>(*this);
}

std::unique_ptr<ApplicationInfo> EngineTestComponents::CreateApplicationInfo()
{
    return std::make_unique<RecordingInfo>(*this, Components::CreateApplicationInfo());
}

std::unique_ptr<ArchiveWriter> EngineTestComponents::CreateArchiveWriter()
{
    return std::make_unique<HookedWriter>(*this, Components::CreateArchiveWriter());
}

std::vector<std::string> EngineTestComponents::LoggedMessages() const
{
    std::vector<std::string> messages;
    for (const auto& entry : log)
        messages.push_back(entry.message);
    return messages;
}

}  // namespace ze6::test
