#include "ui/main/MainWindowFixture.h"

#include <QCoreApplication>
#include <QMenuBar>
#include <QScreen>

namespace ze6::test {
namespace {

using LayoutTest = MainWindowTest;

TEST_F(LayoutTest, OpensEmptyAndCentredWithTheGridLeftOfTheButtonsInTabOrder)
{
    ASSERT_EQ(window->logicalDpiX(), 96) << "the pixel numbers are written for 96 dpi";
    EXPECT_EQ(window->windowTitle(), QStringLiteral("DA Zadaro"));
    const frmDAZadaro fresh; // before any showing adds a frame
    EXPECT_LE((fresh.frameGeometry().center() - fresh.screen()->availableGeometry().center()).manhattanLength(), 2);

    QTableWidget* grid = Grid();
    ASSERT_EQ(grid->columnCount(), 3);
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Backup Files From"));
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Backup Files To"));
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), QStringLiteral("KeepLast"));
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);

    EXPECT_EQ(window->centralWidget()->size(), QSize(693, 414));
    QWidget* panel = Find<QWidget>("picButtons");
    EXPECT_EQ(panel->geometry(), QRect(596, 0, 97, 414));
    EXPECT_EQ(grid->geometry(), QRect(0, 0, 596, 414));

    // The next control the Tab key reaches (the grid's scroll bars and header take no focus).
    const auto nextTabStop = [](QWidget* from) {
        QWidget* next = from->nextInFocusChain();
        while (next != from && !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        return next;
    };
    const std::pair<const char*, const char*> buttons[] = {
        {"cmdAdd", "Add"}, {"cmdRemove", "Remove"}, {"cmdExecute", "Execute"}, {"cmdCopySyntax", "Copy Syntax"}};
    QWidget* previous = grid;
    int top = 8;
    for (const auto& [name, caption] : buttons) {
        QPushButton* button = Button(name);
        EXPECT_EQ(button->parentWidget(), panel);
        EXPECT_EQ(button->text(), QString::fromLatin1(caption));
        EXPECT_EQ(button->geometry(), QRect(8, top, 81, 25)) << name;
        EXPECT_EQ(nextTabStop(previous), button) << name;
        previous = button;
        top += 32;
    }

    window->resize(900, 500);
    QCoreApplication::processEvents();
    const QSize client = window->centralWidget()->size();
    EXPECT_EQ(grid->geometry(), QRect(0, 0, client.width() - 97, client.height()));
    EXPECT_EQ(panel->geometry(), QRect(client.width() - 97, 0, 97, client.height()));
}

TEST_F(LayoutTest, MenusInOrderWithoutShortcuts)
{
    QStringList texts;
    for (const QAction* bar : window->menuBar()->actions()) {
        texts << bar->text();
        for (const QAction* item : bar->menu()->actions()) {
            texts << QStringLiteral("  ") + item->text();
            EXPECT_TRUE(item->shortcut().isEmpty()) << item->text().toStdString();
        }
    }
    EXPECT_EQ(texts.join(QLatin1Char('|')),
              QStringLiteral("File|  Open ...|  Save|  Save As...|  Schedule...|  Exit|&Edit|  Generate "
                             "Command Line|Help|  About|  Command Line Syntax"));
}

} // namespace
} // namespace ze6::test
