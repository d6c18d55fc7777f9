#include "EditorFixture.h"

#include <QScreen>
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

    QWidget& Bar() { return Control("imgSplit"); }
    QWidget& Indicator() { return Control("PicSplit"); }

    void ResizeTo(int width, int height)
    {
        Dialog().resize(width, height);
        ProcessEvents();
    }
    void Drag(Qt::MouseButton button, int toX)
    {
        QTest::mousePress(&Bar(), button, {}, QPoint(2, 10));
        QTest::mouseMove(&Bar(), QPoint(toX, 10));
        QTest::mouseRelease(&Bar(), button, {}, QPoint(toX, 10));
    }
    // Tree, bar and grid side by side across the whole width, as high as the space above the panels.
    void ExpectUpperAreaFilled(int treeWidth)
    {
        const int upper = Control("Picture1").y();
        EXPECT_EQ(Tree().geometry(), QRect(0, 0, treeWidth, upper));
        EXPECT_EQ(Bar().geometry(), QRect(treeWidth, 0, 5, upper));
        EXPECT_EQ(Grid().geometry(), QRect(treeWidth + 5, 0, Dialog().width() - treeWidth - 5, upper));
    }
};

TEST_F(SplitterTest, DesignedLayout)
{
    EXPECT_EQ(Dialog().size(), QSize(702, 572));
    const QRect screen = Dialog().screen()->geometry();
    EXPECT_EQ(Dialog().pos(), QPoint((screen.width() - 702) / 2, (screen.height() - 572) / 2));
    ExpectUpperAreaFilled(211);
    EXPECT_EQ(Control("Picture1").geometry(), QRect(0, 434, 702, 97));
    EXPECT_EQ(Control("picFooter").geometry(), QRect(0, 531, 702, 41));
    EXPECT_EQ(Control("picButtons").geometry(), QRect(501, 0, 201, 41));
    EXPECT_EQ(TargetBox().geometry().topLeft(), QPoint(8, 32));
    // The keep-last box stands at its designed place or, when the label is
    // wider in this font, right after the label's text.
    const QWidget& label2 = Control("Label2");
    EXPECT_EQ(label2.pos(), QPoint(8, 64));
    EXPECT_EQ(KeepLastBox().pos(),
              QPoint(std::max(296, 8 + static_cast<int>(std::lround(label2.sizeHint().width())) + 8), 64));
    EXPECT_FALSE(Indicator().isVisible());
    EXPECT_EQ(Bar().cursor().shape(), Qt::SplitHCursor);
}

TEST_F(SplitterTest, DragMovesOnlyTheIndicatorUntilRelease)
{
    QTest::mousePress(&Bar(), Qt::LeftButton, {}, QPoint(2, 100));
    EXPECT_TRUE(Dialog().Moving());
    EXPECT_TRUE(Indicator().isVisible());
    EXPECT_EQ(Indicator().geometry(), Bar().geometry());
    EXPECT_EQ(Dialog().children().constLast(), &Indicator()); // in front of tree and grid

    QTest::mouseMove(&Bar(), QPoint(150, 100));
    EXPECT_EQ(Indicator().x(), 211 + 150);
    ExpectUpperAreaFilled(211);

    QTest::mouseRelease(&Bar(), Qt::LeftButton, {}, QPoint(150, 100));
    EXPECT_FALSE(Dialog().Moving());
    EXPECT_FALSE(Indicator().isVisible());
    ExpectUpperAreaFilled(361);

    // Later resizes keep the fraction; the buttons stay flush right.
    ResizeTo(1404, 700);
    ExpectUpperAreaFilled(721);
    EXPECT_EQ(Control("picButtons").geometry().right(), 1403);
}

TEST_F(SplitterTest, OnlyALeftDragMovesAndDropsKeepAwayFromTheEdges)
{
    Drag(Qt::RightButton, 100);
    EXPECT_FALSE(Dialog().Moving());
    ExpectUpperAreaFilled(211);

    QTest::mousePress(&Bar(), Qt::LeftButton, {}, QPoint(2, 10));
    QTest::mouseMove(&Bar(), QPoint(-400, 10));
    EXPECT_EQ(Indicator().x(), 211 - 400); // nothing is limited during the move
    QTest::mouseRelease(&Bar(), Qt::LeftButton, {}, QPoint(-400, 10));
    ExpectUpperAreaFilled(20);

    Drag(Qt::LeftButton, 1000);
    ExpectUpperAreaFilled(682);
    // Then too narrow for the grid: it keeps its width but moves with the splitter.
    ResizeTo(50, 572);
    EXPECT_EQ(Grid().geometry(), QRect(54, 0, 15, 434));
}

TEST_F(SplitterTest, TooLowKeepsTheHeightsAndResizesWhileMinimisedWaitForTheRestore)
{
    ResizeTo(1404, 100);
    EXPECT_EQ(Tree().geometry(), QRect(0, 0, 421, 434));
    EXPECT_EQ(Grid().geometry().right(), 1403);

    ResizeTo(702, 572);
    const EditorLayout::SplitPanes before = Dialog().Panes();
    Dialog().showMinimized();
    ProcessEvents();
    ResizeTo(1404, 700);
    EXPECT_EQ(Dialog().Panes(), before);
    Dialog().showNormal();
    ProcessEvents();
    ExpectUpperAreaFilled(421);
}

TEST_F(SplitterTest, ReopeningAfterADragStartsAtThirtyPercent)
{
    Drag(Qt::LeftButton, 200);
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
