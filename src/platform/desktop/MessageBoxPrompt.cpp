#include "platform/desktop/MessageBoxPrompt.h"

#include "platform/process/ProcessInfo.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace ze6 {

namespace {

QString ToDisplayText(const std::string& text)
{
    QString display = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return display;
}

// True when widgets can be shown. Command mode creates the application only
// when a box must really be shown, and only on a platform whose display has
// answered: the toolkit aborts on one it cannot open, and a box on offscreen
// waits for a button nobody can press. The platform probed is the one used.
// The application is deliberately never destroyed: a QApplication torn down
// among the static destructors after main() returns crashes on X11 (and the
// crash would replace the program's exit status).
bool EnsureApplication()
{
    if (QCoreApplication::instance() == nullptr) {
        const std::string platform = VisibleDisplayPlatform();
        if (platform.empty())
            return false;
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(platform));
        static QApplication* const application = new QApplication(ProcessArgc(), ProcessArgv());
        static_cast<void>(application);
    }
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

} // namespace

PromptAnswer MessageBoxPrompt::Ask(const PromptRequest& request)
{
    // No display to show it on, or a process that runs only a core application.
    if (!EnsureApplication())
        return StandardErrorPrompt().Ask(request);

    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (request.icon) {
    case PromptIcon::None:
        break;
    case PromptIcon::Information:
        icon = QMessageBox::Information;
        break;
    case PromptIcon::Exclamation:
        icon = QMessageBox::Warning;
        break;
    case PromptIcon::Critical:
        icon = QMessageBox::Critical;
        break;
    }

    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::Ok;
    switch (request.buttons) {
    case PromptButtons::Ok:
        break;
    case PromptButtons::OkCancel:
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case PromptButtons::YesNo:
        buttons = QMessageBox::Yes | QMessageBox::No;
        defaultButton = QMessageBox::Yes;
        break;
    }

    QMessageBox box(icon, ToDisplayText(request.title), ToDisplayText(request.text), buttons,
                    QApplication::activeWindow());
    box.setDefaultButton(defaultButton);
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return PromptAnswer::Ok;
    case QMessageBox::Cancel:
        return PromptAnswer::Cancel;
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    default:
        break;
    }
    // Closed without a button (the window manager's close box): the answer
    // that refuses, where the box has one.
    return request.buttons == PromptButtons::OkCancel ? PromptAnswer::Cancel
           : request.buttons == PromptButtons::YesNo  ? PromptAnswer::No
                                                      : PromptAnswer::Ok;
}

} // namespace ze6
