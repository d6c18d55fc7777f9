#include "platform/desktop/QtDesktopComponents.h"
#include "platform/process/ProcessInfo.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // ctest also starts the binary just to list its tests, without the test's
    // environment; on a machine without a display that must not abort.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ze6::SetProcessArguments(argc, argv);
    ze6::UseQtDesktopComponents();
    QApplication application(ze6::ProcessArgc(), ze6::ProcessArgv());
    return RUN_ALL_TESTS();
}
