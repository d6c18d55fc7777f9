#include "platform/desktop/MessageBoxPrompt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace ze6 {
namespace {

PromptAnswer AskAndPress(const PromptRequest& request, QMessageBox::StandardButton button, QString* shownText)
{
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || box->button(button) == nullptr)
            return;
        timer.stop();
        *shownText = box->text();
        box->button(button)->click();
    });
    timer.start(10);
    return MessageBoxPrompt().Ask(request);
}

TEST(MessageBoxPrompt, AnswersWithTheButtonPressed)
{
    QString shown;
    const PromptRequest okCancel{"Line one\r\nLine two", "ZE6Vivevu", PromptButtons::OkCancel, PromptIcon::Exclamation};
    EXPECT_EQ(AskAndPress(okCancel, QMessageBox::Ok, &shown), PromptAnswer::Ok);
    EXPECT_EQ(shown, QStringLiteral("Line one\nLine two"));
    EXPECT_EQ(AskAndPress(okCancel, QMessageBox::Cancel, &shown), PromptAnswer::Cancel);

    const PromptRequest yesNo{"Save?", "DA Zadaro", PromptButtons::YesNo, PromptIcon::None};
    EXPECT_EQ(AskAndPress(yesNo, QMessageBox::Yes, &shown), PromptAnswer::Yes);
    EXPECT_EQ(AskAndPress(yesNo, QMessageBox::No, &shown), PromptAnswer::No);
    EXPECT_EQ(AskAndPress({"Done", "ZE6 Vivevu", PromptButtons::Ok, PromptIcon::Information}, QMessageBox::Ok, &shown),
              PromptAnswer::Ok);
}

} // namespace
} // namespace ze6
