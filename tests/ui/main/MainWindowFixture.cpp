#include "ui/main/MainWindowFixture.h"

#include "diagnostics/modDebug.h"

#include <QApplication>
#include <QTimer>

namespace ze6::test {

std::unique_ptr<FileDialogs> MainWindowComponents::CreateFileDialogs()
{
    struct Dialogs final : FileDialogs {
        FileDialogScript& script;
        explicit Dialogs(FileDialogScript& s) : script(s) {}
        std::string Open(WindowHandle owner, const std::string& initialLocation, const std::string& title,
                         const std::string& filter, bool fileMustExist) override
        {
            return Answer({false, owner, initialLocation, title, filter, fileMustExist});
        }
        std::string Save(WindowHandle owner, const std::string& initialLocation, const std::string& title,
                         const std::string& filter, bool confirmOverwrite) override
        {
            return Answer({true, owner, initialLocation, title, filter, confirmOverwrite});
        }
        std::string Answer(const FileDialogCall& call)
        {
            script.calls.push_back(call);
            if (script.answers.empty())
                return {};
            std::string answer = script.answers.front();
            script.answers.pop_front();
            return answer;
        }
    };
    return std::make_unique<Dialogs>(dialogs);
}

MainWindowTest::MainWindowTest()
{
    qputenv("ZE6VIVEVU_LOG", QByteArray::fromStdString(folder / "ZE6Vivevu.log"));
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(folder / "state"));
    modDebug::ResetForTesting();
    window = std::make_unique<frmDAZadaro>();
    window->show();
}

MainWindowTest::~MainWindowTest()
{
    window.reset();
    modDebug::ResetForTesting();
    qunsetenv("ZE6VIVEVU_LOG");
    qunsetenv("XDG_STATE_HOME");
}

void MainWindowTest::WithNextModal(QObject& scope, std::function<void(QWidget&)> act)
{
    QTimer::singleShot(0, &scope, [act = std::move(act)] {
        if (QWidget* modal = QApplication::activeModalWidget())
            act(*modal);
    });
}

} // namespace ze6::test
