#include "engine/Usage.h"
#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

namespace ze6::modDAZadaro {
namespace {

const std::string kUnderscores(85, '_');

TEST(UsageText, WithoutMessageTheUnderscoresFollowTheEmptySecondLine)
{
    EXPECT_EQ(UsageText(""), "Ranzel Backup Utility - V6.1.400\r\n"
                             "\r\n" +
                                 kUnderscores +
                                 "\r\n"
                                 "\r\n"
                                 "Format: ZE6Vivevu \"SourcePath[Filespec]\" \"TargetPath\" [KEEPLAST:n]\r\n"
                                 "\r\n"
                                 "ie  ZE6Vivevu \"C:\\RZDATA\\*.RZT\" \"C:\\RZDATA\\BACKUP\\\" KEEPLAST:5\r\n"
                                 "\r\n"
                                 "Alternatively: ZE6Vivevu <FileName>.RZB");
}

TEST(UsageText, TheMessageStandsBetweenTheEmptyLineAndTheUnderscores)
{
    const std::string text = UsageText("ERROR - Missing TargetPath!");
    EXPECT_EQ(text.substr(0, text.find(kUnderscores)),
              "Ranzel Backup Utility - V6.1.400\r\n\r\nERROR - Missing TargetPath!\r\n");
    EXPECT_EQ(text.substr(text.find(kUnderscores)), UsageText("").substr(UsageText("").find(kUnderscores)));
}

TEST(ShowUsage, OneOkBoxWithoutIconTitledWithTheExecutableName)
{
    test::TestComponents components;
    const int rejectedBefore = RejectedJobLineCount();
    ShowUsage("");
    ShowUsage("ERROR - Missing Quote in SourcePath!");
    ASSERT_EQ(components.prompt.asked.size(), 2u);
    EXPECT_EQ(components.prompt.asked[0], (PromptRequest{UsageText(""), "ZE6Vivevu", PromptButtons::Ok, PromptIcon::None}));
    EXPECT_EQ(components.prompt.asked[1].text, UsageText("ERROR - Missing Quote in SourcePath!"));
    // Only a box with an error line is a rejected job line.
    EXPECT_EQ(RejectedJobLineCount(), rejectedBefore + 1);
}

}  // namespace
}  // namespace ze6::modDAZadaro
