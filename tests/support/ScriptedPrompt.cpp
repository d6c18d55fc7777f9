#include "support/ScriptedPrompt.h"

namespace ze6::test {

PromptAnswer ScriptedPrompt::Ask(const PromptRequest& request)
{
    asked.push_back(request);
    if (onAsk)
        onAsk(request);
    if (answers.empty())
        return DefaultAnswer(request.buttons);
    const PromptAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

TestComponents::TestComponents()
{
    SetComponents(this);
}

TestComponents::~TestComponents()
{
    SetComponents(nullptr);
}

} // namespace ze6::test
