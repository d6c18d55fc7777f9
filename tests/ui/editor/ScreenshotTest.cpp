#include "EditorFixture.h"

#include <QLineEdit>
#include <QPixmap>
#include <QTest>
#include <cstdlib>

namespace ze6::test {
namespace {

using ScreenshotTest = EditorFixture;

// Renders the dialog over a folder with a few data files into the PNG named by
// ZE6_EDITOR_SCREENSHOT (for the documentation). Run it on purpose with
// --gtest_also_run_disabled_tests.
TEST_F(ScreenshotTest, DISABLED_RenderEditor)
{
    const char* output = std::getenv("ZE6_EDITOR_SCREENSHOT");
    ASSERT_NE(output, nullptr) << "set ZE6_EDITOR_SCREENSHOT to the PNG to write";
    components.realReader = true;
    const std::string data = folder.MakeFolder("RZDATA");
    for (const char* name : {"PLANT1.RZT", "PLANT2.RZT", "Boiler house.RZT6", "Cooling loop.RZT6", "OLDSITE.RZT"})
        folder.Write("RZDATA/" + std::string(name), "data");
    folder.MakeFolder("RZDATA/BACKUP");
    Open(data);
    SetTick(4, false);
    TargetBox().setText(QString::fromStdString(data + "BACKUP/"));
    KeepLastBox().setText(QStringLiteral("5"));
    // Let the tree finish listing the folders above the selected one.
    QTest::qWait(1500);
    ASSERT_TRUE(Dialog().grab().save(QString::fromUtf8(output), "PNG"));
}

} // namespace
} // namespace ze6::test
