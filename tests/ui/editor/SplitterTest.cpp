#include "EditorFixture.h"

#include "ui/editor/EditorLayout.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cmath>

namespace ze6::test {
namespace {

class SplitterTest : public EditorFixture {
protected:
    void SetUp() override
    {
        Open(folder.Path());
        ASSERT_EQ(Dialog().TwipsPerPixel(), 15) << "these cases are written for 96 dpi";
    }

    QWidget& Bar() { return Control<QWidget>("imgSplit"); }
    QWidget& Indicator() { return Control<QWidget>("PicSplit"); }
    QWidget& Tree() { return Control<QWidget>("lstFolders"); }
    QWidget& GridWidget() { return Control<QWidget>("grdfiles"); }

    void ResizeTo(int width, int height)
    {
        Dialog().resize(width, height);
        ProcessEvents();
    }
};

TEST_F(SplitterTest, DesignedLayout)
{
    EXPECT_EQ(Dialog().size(), QSize(702, 572));
    EXPECT_EQ(Tree().geometry(), QRect(0, 0, 211, 434));
    EXPECT_EQ(Bar().geometry(), QRect(211, 0, 5, 434));
    EXPECT_EQ(GridWidget().geometry(), QRect(216, 0, 486, 434));
    EXPECT_EQ(Control<QWidget>("Picture1").geometry(), QRect(0, 434, 702, 97));
    EXPECT_EQ(Control<QWidget>("picFooter").geometry(), QRect(0, 531, 702, 41));
    EXPECT_EQ(Control<QWidget>("picButtons").geometry(), QRect(501, 0, 201, 41));
    EXPECT_EQ(OkButton().geometry(), QRect(8, 8, 89, 25));
    EXPECT_EQ(Control<QWidget>("cmdCancel").geometry(), QRect(104, 8, 89, 25));
    EXPECT_EQ(TargetBox().pos(), QPoint(8, 32));
    EXPECT_EQ(TargetBox().width(), 473);
    EXPECT_EQ(Control<QWidget>("cmdTargetBrowse").pos(), QPoint(488, 32));
    // The keep-last box stands at its designed place or, when the label is
    // wider in this font, right after the label's text.
    const QWidget& label2 = Control<QWidget>("Label2");
    EXPECT_EQ(label2.pos(), QPoint(8, 64));
    EXPECT_EQ(KeepLastBox().y(), 64);
    EXPECT_EQ(KeepLastBox().x(), std::max(296, 8 + static_cast<int>(std::lround(label2.sizeHint().width())) + 8));
    EXPECT_EQ(KeepLastBox().width(), 57);
    EXPECT_FALSE(Indicator().isVisible());
    EXPECT_EQ(Bar().cursor().shape(), Qt::SplitHCursor);
}

TEST_F(SplitterTest, DragMovesOnlyTheIndicatorUntilRelease)
{
    const QRect treeBefore = Tree().geometry();
    QTest::mousePress(&Bar(), Qt::LeftButton, {}, QPoint(2, 100));
    EXPECT_TRUE(Dialog().Moving());
    EXPECT_TRUE(Indicator().isVisible());
    EXPECT_EQ(Indicator().geometry(), Bar().geometry());
    EXPECT_EQ(Dialog().children().constLast(), &Indicator()); // in front of tree and grid

    QTest::mouseMove(&Bar(), QPoint(150, 100));
    EXPECT_EQ(Indicator().x(), 211 + 150);
    EXPECT_EQ(Tree().geometry(), treeBefore);

    QTest::mouseRelease(&Bar(), Qt::LeftButton, {}, QPoint(150, 100));
    EXPECT_FALSE(Dialog().Moving());
    EXPECT_FALSE(Indicator().isVisible());
    EXPECT_DOUBLE_EQ(Dialog().State().splitRatio, (3159.0 + 2250.0) / 10530.0);
    EXPECT_EQ(Tree().width(), 361);
    EXPECT_EQ(GridWidget().x(), 366);

    // Later resizes keep the fraction.
    ResizeTo(1404, 572);
    EXPECT_EQ(Dialog().Panes().splitter.left, 2 * 5409);
}

TEST_F(SplitterTest, OnlyALeftDragMovesAndDropsKeepAwayFromTheEdges)
{
    const QRect treeBefore = Tree().geometry();
    QTest::mousePress(&Bar(), Qt::RightButton, {}, QPoint(2, 10));
    EXPECT_FALSE(Dialog().Moving());
    QTest::mouseMove(&Bar(), QPoint(100, 10));
    QTest::mouseRelease(&Bar(), Qt::RightButton, {}, QPoint(100, 10));
    EXPECT_EQ(Tree().geometry(), treeBefore);

    QTest::mousePress(&Bar(), Qt::LeftButton, {}, QPoint(2, 10));
    QTest::mouseMove(&Bar(), QPoint(-400, 10));
    EXPECT_EQ(Indicator().x(), 211 - 400); // nothing is limited during the move
    QTest::mouseRelease(&Bar(), Qt::LeftButton, {}, QPoint(-400, 10));
    EXPECT_EQ(Dialog().Panes().splitter.left, 300);
    EXPECT_EQ(Tree().width(), 20);
}

TEST_F(SplitterTest, ResizeWhileMinimisedIsIgnoredUntilRestored)
{
    const EditorLayout::SplitPanes before = Dialog().Panes();
    Dialog().showMinimized();
    ProcessEvents();
    ResizeTo(1404, 700);
    EXPECT_EQ(Dialog().Panes(), before);

    Dialog().showNormal();
    ProcessEvents();
    EXPECT_EQ(Dialog().Panes().splitter.left, 6318);
    EXPECT_EQ(Dialog().Panes().tree.height, (700 - 138) * 15);
}

TEST_F(SplitterTest, ReopeningAfterADragStartsAtThirtyPercent)
{
    QTest::mousePress(&Bar(), Qt::LeftButton, {}, QPoint(2, 10));
    QTest::mouseMove(&Bar(), QPoint(200, 10));
    QTest::mouseRelease(&Bar(), Qt::LeftButton, {}, QPoint(200, 10));
    ASSERT_NE(Dialog().State().splitRatio, 0.3);
    Dialog().hide();
    ProcessEvents();

    QRect treeWhileShown;
    DisplayAndDo([&] {
        treeWhileShown = Tree().geometry();
        Dialog().reject();
    });
    EXPECT_EQ(treeWhileShown, QRect(0, 0, 211, 434));
}

} // namespace
} // namespace ze6::test
