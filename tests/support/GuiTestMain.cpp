#include "platform/ProcessInfo.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ze6::SetProcessArguments(argc, argv);
    QApplication application(ze6::ProcessArgc(), ze6::ProcessArgv());
    return RUN_ALL_TESTS();
}
