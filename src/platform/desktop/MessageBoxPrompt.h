#pragma once

#include "platform/Prompt.h"

namespace ze6 {

// Shows a real Qt message box; creates the QApplication on first use when the
// process has none yet (command mode shows boxes only when it must), and
// writes to standard error as StandardErrorPrompt does where no display
// answers.
class MessageBoxPrompt final : public Prompt {
public:
    PromptAnswer Ask(const PromptRequest& request) override;
};

} // namespace ze6
