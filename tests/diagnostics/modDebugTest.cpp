#include "diagnostics/modDebug.h"
#include "platform/RuntimeError.h"
#include "support/FakeLog.h"
#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

namespace ze6::modDebug {
namespace {

using Strings = std::vector<std::string>;

struct RecordedLog final : test::TestComponents, test::FakeLog {
    RecordedLog() { ResetForTesting(); }
    ~RecordedLog() override { ResetForTesting(); }
    std::unique_ptr<LogComponent> CreateLogComponent() override { return CreateLog(); }
};

TEST(LogError, ComposesTheMessageAndPassesTheTemplateUnformatted)
{
    RecordedLog log;
    LogError("modDAZadaro", "ProcessFile", "Path not found", 76, "", false);
    LogError("m", "p", "", 5, "S", false);
    LogError("m", "p", "{Message}", static_cast<std::int32_t>(0x80070002u), "Other", false);
    EXPECT_EQ(log.log, (Strings{"modDAZadaro, ProcessFile, Runtime error occured: 76 - Path not found",
                                "m, p, Runtime error occured: 5 -  Source: S",
                                "m, p, Runtime error occured: -2147024894 - {Message} Source: Other"}));
    EXPECT_EQ(log.templates, Strings(3, "ERROR: {ModuleName}, {ProcName}, {Message}"));
    EXPECT_EQ(log.logCreations, 1);

    try {
        LogError("m", "p", "Bad file name or number", 52, "Src", true);
        ADD_FAILURE() << "not raised again";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), 52);
        EXPECT_EQ(error.Description(), "Bad file name or number");
        EXPECT_EQ(error.Source(), "Src");
    }
    EXPECT_EQ(log.log.size(), 4u);
}

} // namespace
} // namespace ze6::modDebug
