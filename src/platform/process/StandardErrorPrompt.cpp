#include "platform/Prompt.h"

#include <cstdio>

namespace ze6 {

PromptAnswer DefaultAnswer(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::YesNo:
        return PromptAnswer::Yes;
    case PromptButtons::Ok:
    case PromptButtons::OkCancel:
        break;
    }
    return PromptAnswer::Ok;
}

PromptAnswer StandardErrorPrompt::Ask(const PromptRequest& request)
{
    std::string text = request.text;
    std::string lines;
    lines.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            lines += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            lines += text[i];
        }
    }
    lines += '\n';
    std::fwrite(lines.data(), 1, lines.size(), stderr);
    std::fflush(stderr);
    return DefaultAnswer(request.buttons);
}

} // namespace ze6
