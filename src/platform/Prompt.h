#pragma once

#include <string>

namespace ze6 {

enum class PromptButtons { Ok, OkCancel, YesNo };
enum class PromptIcon { None, Information, Exclamation, Critical };
enum class PromptAnswer { Ok, Cancel, Yes, No };

// One message box: its text (lines separated by CR LF, as the program builds
// them), title, buttons and icon.
struct PromptRequest {
    std::string text;
    std::string title;
    PromptButtons buttons = PromptButtons::Ok;
    PromptIcon icon = PromptIcon::None;

    bool operator==(const PromptRequest&) const = default;
};

// Every message box of the program goes through this interface, so the engine
// and the windows never touch a widget for it and tests can script answers.
class Prompt {
public:
    virtual ~Prompt() = default;
    virtual PromptAnswer Ask(const PromptRequest& request) = 0;
};

// The answer a box gives when nobody can press a button: its first button.
PromptAnswer DefaultAnswer(PromptButtons buttons);

// Shows a real Qt message box; creates the QApplication on first use when the
// process has none yet (command mode shows boxes only when it must), and
// writes to standard error as StandardErrorPrompt does where no display
// answers.
class MessageBoxPrompt final : public Prompt {
public:
    PromptAnswer Ask(const PromptRequest& request) override;
};

// Writes the box's text to standard error and answers with the default
// button: used where no display exists (cron on a server).
class StandardErrorPrompt final : public Prompt {
public:
    PromptAnswer Ask(const PromptRequest& request) override;
};

} // namespace ze6
