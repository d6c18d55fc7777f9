#include "diagnostics/modDebug.h"
#include "platform/RuntimeError.h"
#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

namespace ze6::modDebug {
namespace {

using Strings = std::vector<std::string>;

// Records what the log component is given; each operation fails on request.
class FakeLog final : public test::TestComponents {
public:
    FakeLog() { ResetForTesting(); }
    ~FakeLog() override { ResetForTesting(); }

    std::unique_ptr<LogComponent> CreateLogComponent() override
    {
        struct Log final : LogComponent {
            FakeLog& o;
            explicit Log(FakeLog& owner) : o(owner) {}
            void SetLoggerName(const std::string& name) override
            {
                o.names.push_back(name);
                if (o.failNaming)
                    Raise(ErrorNumber::PermissionDenied, "LogComponent");
            }
            void WriteError(const std::string& t, const std::string& m, const std::string& p,
                            const std::string& message) override
            {
                if (o.failWrite)
                    Raise(ErrorNumber::DiskFull, "LogComponent");
                o.entries.push_back(t + " | " + m + " | " + p + " | " + message);
            }
        };
        ++creations;
        if (failCreation)
            Raise(ErrorNumber::PathNotFound, "LogComponent");
        return std::make_unique<Log>(*this);
    }

    Strings entries, names;
    int creations = 0;
    bool failCreation = false, failNaming = false, failWrite = false;
};

TEST(LogError, ComposesTheMessageAndPassesTheTemplateUnformatted)
{
    FakeLog log;
    LogError("modDAZadaro", "ProcessFile", "Path not found", 76, "", false);
    LogError("m", "p", "", 5, "S", false);
    LogError("m", "p", "{Message}", static_cast<std::int32_t>(0x80070002u), "Other", false);
    const std::string t = "ERROR: {ModuleName}, {ProcName}, {Message} | ";
    EXPECT_EQ(log.entries, (Strings{t + "modDAZadaro | ProcessFile | Runtime error occured: 76 - Path not found",
                                    t + "m | p | Runtime error occured: 5 -  Source: S",
                                    t + "m | p | Runtime error occured: -2147024894 - {Message} Source: Other"}));
    EXPECT_EQ(log.creations, 1);
    EXPECT_EQ(log.names, Strings{"Legacy.ZE6Vivevu"});
    EXPECT_EQ(ReportCount(), 3);

    try {
        LogError("m", "p", "Bad file name or number", 52, "Src", true);
        ADD_FAILURE() << "not raised again";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), 52);
        EXPECT_EQ(error.Description(), "Bad file name or number");
        EXPECT_EQ(error.Source(), "Src");
    }
    EXPECT_EQ(log.entries.size(), 4u);
}

TEST(LogError, FailuresOfTheLogPropagateButStillCount)
{
    FakeLog log;
    log.failCreation = true;
    try {
        LogError("m", "p", "Overflow", 6, "ZE6Vivevu", true);
        ADD_FAILURE() << "the creation failure did not propagate";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), 76); // the log's failure, not a re-raise
    }
    log.failCreation = false;
    log.failNaming = true; // created and stored, but refuses its name
    EXPECT_THROW(LogError("m", "p", "second", 2, "", false), RuntimeError);
    LogError("m", "p", "third", 3, "", false);
    log.failWrite = true;
    EXPECT_THROW(LogError("m", "p", "fourth", 4, "", false), RuntimeError);

    EXPECT_EQ(log.creations, 2); // the failed creation was tried again, the unnamed one kept
    EXPECT_EQ(log.names.size(), 1u);
    EXPECT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(ReportCount(), 4);
}

} // namespace
} // namespace ze6::modDebug
