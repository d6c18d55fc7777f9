#include "platform/Version.h"
#include "ui/about/Twips.h"
#include "ui/main/MainWindowFixture.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QScreen>

namespace ze6::test {
namespace {

using LayoutTest = MainWindowTest;

TEST_F(LayoutTest, OpensEmptyUnderTheApplicationTitle)
{
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8(kApplicationTitle));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("DA Zadaro"));
    EXPECT_TRUE(window->CurrentFile().isEmpty());
    EXPECT_FALSE(window->IsDirty());
    EXPECT_EQ(window->JobCount(), 0);

    QTableWidget* grid = Grid();
    ASSERT_NE(grid, nullptr);
    ASSERT_EQ(grid->columnCount(), 3);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Backup Files From"));
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Backup Files To"));
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), QStringLiteral("KeepLast"));
    EXPECT_TRUE(grid->horizontalHeader()->isVisible());
    EXPECT_FALSE(grid->verticalHeader()->isVisible());
    EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
}

TEST_F(LayoutTest, ClientAreaAndButtonPanelFollowTheirTwipsMeasures)
{
    const auto x = [this](int twips) { return TwipsToPixels(twips, window->logicalDpiX()); };
    const auto y = [this](int twips) { return TwipsToPixels(twips, window->logicalDpiY()); };
    EXPECT_EQ(window->centralWidget()->size(), QSize(x(10395), y(6210)));

    QWidget* panel = window->findChild<QWidget*>(QStringLiteral("picButtons"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->geometry(), QRect(x(10395) - x(1455), 0, x(1455), y(6210)));
    EXPECT_EQ(Grid()->geometry(), QRect(0, 0, x(10395) - x(1455), y(6210)));

    const struct {
        const char* name;
        const char* caption;
        int top;
    } buttons[] = {{"cmdAdd", "Add", 120},
                   {"cmdRemove", "Remove", 600},
                   {"cmdExecute", "Execute", 1080},
                   {"cmdCopySyntax", "Copy Syntax", 1560}};
    // The next control that the Tab key reaches (the grid's own scroll bars and header do not take it).
    const auto nextTabStop = [](QWidget* from) {
        QWidget* next = from->nextInFocusChain();
        while (next != from && !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        return next;
    };
    QWidget* previous = Grid();
    for (const auto& expected : buttons) {
        QPushButton* button = Button(expected.name);
        ASSERT_NE(button, nullptr) << expected.name;
        EXPECT_EQ(button->parentWidget(), panel);
        EXPECT_EQ(button->text(), QString::fromLatin1(expected.caption));
        EXPECT_EQ(button->geometry(), QRect(x(120), y(expected.top), x(1215), y(375))) << expected.name;
        EXPECT_EQ(nextTabStop(previous), button) << expected.name;
        previous = button;
    }
}

TEST_F(LayoutTest, MenusInOrderWithoutShortcuts)
{
    const QList<QAction*> bar = window->menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[0]->text(), QStringLiteral("File"));
    EXPECT_EQ(bar[1]->text(), QStringLiteral("&Edit"));
    EXPECT_EQ(bar[2]->text(), QStringLiteral("Help"));

    const auto captions = [this](const char* menu) {
        QStringList texts;
        for (const QAction* action : Menu(menu)->actions()) {
            texts << action->text();
            EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
        }
        return texts;
    };
    EXPECT_EQ(captions("mnuFile"), (QStringList{QStringLiteral("Open ..."), QStringLiteral("Save"),
                                                QStringLiteral("Save As..."), QStringLiteral("Exit")}));
    EXPECT_EQ(captions("mnuEdit"), QStringList{QStringLiteral("Generate Command Line")});
    EXPECT_EQ(captions("mnuHelp"), (QStringList{QStringLiteral("About"), QStringLiteral("Command Line Syntax")}));
}

TEST_F(LayoutTest, ResizingMovesTheGridUnlessTheWindowIsNarrowerThanThePanel)
{
    const int panelWidth = TwipsToPixels(1455, window->logicalDpiX());
    const int menuHeight = window->menuBar()->height();

    window->resize(900, 500 + menuHeight);
    QCoreApplication::processEvents();
    const QSize client = window->centralWidget()->size();
    EXPECT_EQ(Grid()->geometry(), QRect(0, 0, client.width() - panelWidth, client.height()));
    const QRect wide = Grid()->geometry();

    window->setMinimumSize(0, 0);
    window->resize(panelWidth - 20, 300);
    QCoreApplication::processEvents();
    ASSERT_LT(window->centralWidget()->width(), panelWidth);
    EXPECT_EQ(Grid()->geometry(), wide);
    EXPECT_TRUE(Asked().empty());

    window->resize(700, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(Grid()->width(), window->centralWidget()->width() - panelWidth);
}

TEST_F(LayoutTest, StartsCentredOnTheScreen)
{
    frmDAZadaro fresh;
    const QRect screen = fresh.screen()->availableGeometry();
    const QRect frame = fresh.frameGeometry();
    EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), 1);
}

} // namespace
} // namespace ze6::test
