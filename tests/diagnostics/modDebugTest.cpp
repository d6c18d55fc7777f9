#include "diagnostics/modDebug.h"
#include "platform/RuntimeError.h"
#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

namespace ze6::modDebug {
namespace {

using Strings = std::vector<std::string>;

// Records what the log component is given. What the program does when the
// log fails is checked where it shows: on standard error (engine tests).
class FakeLog final : public test::TestComponents {
public:
    FakeLog() { ResetForTesting(); }
    ~FakeLog() override { ResetForTesting(); }

    std::unique_ptr<LogComponent> CreateLogComponent() override
    {
        struct Log final : LogComponent {
            FakeLog& o;
            explicit Log(FakeLog& owner) : o(owner) {}
            void SetLoggerName(const std::string& name) override { o.names.push_back(name); }
            void WriteError(const std::string& t, const std::string& m, const std::string& p,
                            const std::string& message) override
            {
                o.entries.push_back(t + " | " + m + " | " + p + " | " + message);
            }
        };
        ++creations;
        return std::make_unique<Log>(*this);
    }

    Strings entries, names;
    int creations = 0;
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

} // namespace
} // namespace ze6::modDebug
