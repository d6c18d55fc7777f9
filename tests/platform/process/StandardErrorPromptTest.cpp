#include "platform/Prompt.h"

#include <gtest/gtest.h>

namespace ze6 {
namespace {

TEST(StandardErrorPrompt, WritesTheTextAsLinesAndAnswersWithTheFirstButton)
{
    testing::internal::CaptureStderr();
    const PromptAnswer answer = StandardErrorPrompt().Ask({"one\r\ntwo\rthree", "t", PromptButtons::YesNo});
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "one\ntwo\nthree\n");
    EXPECT_EQ(answer, PromptAnswer::Yes);
}

} // namespace
} // namespace ze6
