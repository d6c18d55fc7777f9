#include "diagnostics/modDebug.h"
#include "platform/RuntimeError.h"
#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

namespace ze6::modDebug {
namespace {

struct Entry {
    std::string messageTemplate, moduleName, procName, message;
    bool operator==(const Entry&) const = default;
};

// A log component that records what it is given and fails on request.
class FakeLogComponents final : public test::TestComponents {
public:
    FakeLogComponents() { ResetForTesting(); }
    ~FakeLogComponents() override { ResetForTesting(); }

    std::unique_ptr<LogComponent> CreateLogComponent() override
    {
        ++creations;
        if (failCreation)
            Raise(ErrorNumber::PathNotFound, "LogComponent");
        return std::make_unique<Log>(*this);
    }

    std::vector<Entry> entries;
    std::vector<std::string> names;
    int creations = 0;
    bool failCreation = false;
    bool failNaming = false;
    bool failWrite = false;

private:
    class Log final : public LogComponent {
    public:
        explicit Log(FakeLogComponents& owner) : m_owner(owner) {}
        void SetLoggerName(const std::string& name) override
        {
            m_owner.names.push_back(name);
            if (m_owner.failNaming)
                Raise(ErrorNumber::PermissionDenied, "LogComponent");
        }
        void WriteError(const std::string& messageTemplate, const std::string& moduleName,
                        const std::string& procName, const std::string& message) override
        {
            if (m_owner.failWrite)
                Raise(ErrorNumber::DiskFull, "LogComponent");
            m_owner.entries.push_back({messageTemplate, moduleName, procName, message});
        }

    private:
        FakeLogComponents& m_owner;
    };
};

TEST(LogError, ComposesTheMessageAndPassesTheTemplateUnformatted)
{
    FakeLogComponents components;
    LogError("modDAZadaro", "ProcessFile", "Path not found", 76, "", false);
    LogError("modDAZadaro", "ArchiveApplication", "Disk full", 61, "ArchiveWriter", false);
    LogError("modDAZadaro", "Main", "File '/j/x.rzb' does not exist or is inaccessible.", 0, "", false);
    LogError("m", "p", "", 5, "", false);
    LogError("m", "p", "", 5, "S", false);
    LogError("m", "p", "Component failure", static_cast<std::int32_t>(0x80070002u), "Other", false);
    LogError("", "", "{Message}", -1, "", false);

    const std::string t = "ERROR: {ModuleName}, {ProcName}, {Message}";
    const std::vector<Entry> expected = {
        {t, "modDAZadaro", "ProcessFile", "Runtime error occured: 76 - Path not found"},
        {t, "modDAZadaro", "ArchiveApplication", "Runtime error occured: 61 - Disk full Source: ArchiveWriter"},
        {t, "modDAZadaro", "Main",
         "Runtime error occured: 0 - File '/j/x.rzb' does not exist or is inaccessible."},
        {t, "m", "p", "Runtime error occured: 5 - "},
        {t, "m", "p", "Runtime error occured: 5 -  Source: S"},
        {t, "m", "p", "Runtime error occured: -2147024894 - Component failure Source: Other"},
        {t, "", "", "Runtime error occured: -1 - {Message}"},
    };
    EXPECT_EQ(components.entries, expected);
    // One component for the whole process, named once.
    EXPECT_EQ(components.creations, 1);
    EXPECT_EQ(components.names, std::vector<std::string>{"Legacy.ZE6Vivevu"});
    EXPECT_EQ(ReportCount(), 7);
}

TEST(LogError, ReRaiseThrowsThePassedErrorAfterTheEntry)
{
    FakeLogComponents components;
    try {
        LogError("m", "p", "Bad file name or number", 52, "Src", true);
        FAIL() << "no error raised";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), 52);
        EXPECT_EQ(error.Description(), "Bad file name or number");
        EXPECT_EQ(error.Source(), "Src");
    }
    ASSERT_EQ(components.entries.size(), 1u);
    EXPECT_EQ(components.entries[0].message, "Runtime error occured: 52 - Bad file name or number Source: Src");
}

TEST(GetLogger, NothingIsCreatedUntilTheFirstReport)
{
    FakeLogComponents components;
    EXPECT_EQ(components.creations, 0);
    EXPECT_EQ(ReportCount(), 0);
    GetLogger();
    GetLogger();
    EXPECT_EQ(components.creations, 1);
    EXPECT_EQ(components.names.size(), 1u);
}

TEST(LogError, AFailedCreationPropagatesAndIsTriedAgainNextTime)
{
    FakeLogComponents components;
    components.failCreation = true;
    try {
        LogError("m", "p", "Overflow", 6, "ZE6Vivevu", true);
        FAIL() << "the creation failure did not propagate";
    } catch (const RuntimeError& error) {
        // The log's own failure, not the reported error: the re-raise never happens.
        EXPECT_EQ(error.Number(), 76);
        EXPECT_EQ(error.Source(), "LogComponent");
    }
    components.failCreation = false;
    LogError("m", "p", "Overflow", 6, "ZE6Vivevu", false);
    EXPECT_EQ(components.creations, 2);
    EXPECT_EQ(components.entries.size(), 1u);
    EXPECT_EQ(ReportCount(), 2);  // the failed report still counts
}

TEST(LogError, AComponentThatRefusedItsNameStaysAndIsNotNamedAgain)
{
    FakeLogComponents components;
    components.failNaming = true;
    EXPECT_THROW(LogError("m", "p", "first", 1, "", false), RuntimeError);
    EXPECT_TRUE(components.entries.empty());
    LogError("m", "p", "second", 2, "", false);
    LogError("m", "p", "third", 3, "", false);
    EXPECT_EQ(components.creations, 1);
    EXPECT_EQ(components.names.size(), 1u);
    EXPECT_EQ(components.entries.size(), 2u);
}

TEST(LogError, AFailedWritePropagatesWithTheComponentsError)
{
    FakeLogComponents components;
    components.failWrite = true;
    try {
        LogError("m", "p", "x", 1, "", false);
        FAIL();
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), 61);
        EXPECT_EQ(error.Description(), "Disk full");
    }
}

}  // namespace
}  // namespace ze6::modDebug
