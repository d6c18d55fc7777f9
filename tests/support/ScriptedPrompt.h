#pragma once

#include "platform/Components.h"
#include "platform/Prompt.h"
#include "platform/RealComponents.h"

#include <chrono>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace ze6 {
// Failures show a box's text instead of its bytes.
inline void PrintTo(const PromptRequest& request, std::ostream* out)
{
    *out << testing::PrintToString(request.text) << " titled " << testing::PrintToString(request.title);
}
} // namespace ze6

namespace ze6::test {

// Records every box the code under test shows and answers from a script (the
// box's default button once the script is used up). An optional hook runs
// inside Ask, e.g. to read a window's state while the box is up.
class ScriptedPrompt final : public Prompt {
public:
    PromptAnswer Ask(const PromptRequest& request) override;

    std::vector<PromptRequest> asked;
    std::deque<PromptAnswer> answers;
    std::function<void(const PromptRequest&)> onAsk;
};

// Real components with a scripted prompt, a writer with hooks and the clock
// the test gives; installed for the object's lifetime.
class TestComponents : public Components {
public:
    TestComponents();
    ~TestComponents() override;
    TestComponents(const TestComponents&) = delete;
    TestComponents& operator=(const TestComponents&) = delete;

    Prompt& GetPrompt() override { return prompt; }
    // The real writer, pausing blockPause after every block it reads, then
    // running onBlock; onFinish, when set, replaces its work (to inject a fault).
    std::unique_ptr<ArchiveWriter> CreateArchiveWriter() override;
    Clock& GetClock() override { return clock ? *clock : Components::GetClock(); }

    ScriptedPrompt prompt;
    std::chrono::milliseconds blockPause{0};
    std::function<void()> onBlock;
    std::function<void(const std::string& archiveName)> onFinish;
    // Handed to every writer created.
    ArchiveWriterFaults writerFaults;
    // Not owned; nullptr is the system's clock.
    Clock* clock = nullptr;
};

} // namespace ze6::test
