#include "ui/about/Twips.h"
#include "ui/main/MainWindowFixture.h"

#include <QCoreApplication>
#include <QMenuBar>
#include <QScreen>

namespace ze6::test {
namespace {

using LayoutTest = MainWindowTest;

TEST_F(LayoutTest, OpensEmptyWithTheGridAndButtonPanelInTwips)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("DA Zadaro"));

    QTableWidget* grid = Grid();
    ASSERT_EQ(grid->columnCount(), 3);
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Backup Files From"));
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Backup Files To"));
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), QStringLiteral("KeepLast"));
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);

    const auto x = [this](int twips) { return TwipsToPixels(twips, window->logicalDpiX()); };
    const auto y = [this](int twips) { return TwipsToPixels(twips, window->logicalDpiY()); };
    EXPECT_EQ(window->centralWidget()->size(), QSize(x(10395), y(6210)));
    QWidget* panel = window->findChild<QWidget*>(QStringLiteral("picButtons"));
    EXPECT_EQ(panel->geometry(), QRect(x(10395) - x(1455), 0, x(1455), y(6210)));
    EXPECT_EQ(grid->geometry(), QRect(0, 0, x(10395) - x(1455), y(6210)));

    // The next control the Tab key reaches (the grid's scroll bars and header take no focus).
    const auto nextTabStop = [](QWidget* from) {
        QWidget* next = from->nextInFocusChain();
        while (next != from && !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        return next;
    };
    const struct {
        const char* name;
        const char* caption;
        int top;
    } buttons[] = {{"cmdAdd", "Add", 120},
                   {"cmdRemove", "Remove", 600},
                   {"cmdExecute", "Execute", 1080},
                   {"cmdCopySyntax", "Copy Syntax", 1560}};
    QWidget* previous = grid;
    for (const auto& expected : buttons) {
        QPushButton* button = Button(expected.name);
        EXPECT_EQ(button->parentWidget(), panel);
        EXPECT_EQ(button->text(), QString::fromLatin1(expected.caption));
        EXPECT_EQ(button->geometry(), QRect(x(120), y(expected.top), x(1215), y(375))) << expected.name;
        EXPECT_EQ(nextTabStop(previous), button) << expected.name;
        previous = button;
    }
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
              QStringLiteral("File|  Open ...|  Save|  Save As...|  Exit|&Edit|  Generate "
                             "Command Line|Help|  About|  Command Line Syntax"));
}

TEST_F(LayoutTest, ResizingMovesTheGrid)
{
    window->resize(900, 500);
    QCoreApplication::processEvents();
    const QSize client = window->centralWidget()->size();
    EXPECT_EQ(Grid()->geometry(),
              QRect(0, 0, client.width() - TwipsToPixels(1455, window->logicalDpiX()), client.height()));
}

TEST_F(LayoutTest, StartsCentredOnTheScreen)
{
    frmDAZadaro fresh;
    const QPoint offset = fresh.frameGeometry().center() - fresh.screen()->availableGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);
}

} // namespace
} // namespace ze6::test
