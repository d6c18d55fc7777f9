#include "engine/Main.h"
#include "engine/TerminalProgress.h"
#include "platform/desktop/QtDesktopComponents.h"
#include "platform/process/ProcessInfo.h"
#include "ui/main/frmDAZadaro.h"

#include <QApplication>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace {

int RunMainWindow()
{
    if (!ze6::DisplayAvailable()) {
        std::fputs("ZE6Vivevu: no display is available for the main window; give a job line or a "
                   "configuration file to run without one (ZE6Vivevu /? shows how).\n",
                   stderr);
        return 1;
    }
    QApplication application(ze6::ProcessArgc(), ze6::ProcessArgv());
    // Lets a Wayland compositor match the window to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.example.ZE6Vivevu"));
    ze6::frmDAZadaro window;
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    ze6::SetProcessArguments(argc, argv);
    ze6::UseQtDesktopComponents();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::string commandText = ze6::RebuildCommandText(arguments);
    if (!commandText.empty())
        ze6::SilenceToolkitMessages();
    // Under cron, a timer or a pipe nothing is written but what always was.
    std::optional<ze6::modDAZadaro::TerminalProgress> progress;
    if (!commandText.empty() && ze6::StandardErrorIsTerminal())
        progress.emplace(stderr);
    try {
        return ze6::modDAZadaro::Main(arguments, RunMainWindow, progress ? &*progress : nullptr);
    } catch (const std::exception& error) {
        // The engine logs its own failures; this is what is left when even that failed.
        std::fprintf(stderr, "ZE6Vivevu: %s\n", error.what());
        return 1;
    }
}
