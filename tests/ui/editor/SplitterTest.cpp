#include "EditorFixture.h"
#include "ui/editor/EditorLayout.h"

#include <cmath>

namespace ze6::test {
namespace {

// Positions are compared with each other, not with the designed numbers, so
// the cases say what the user sees at any resolution.
class SplitterTest : public EditorFixture {
protected:
    void SetUp() override { Open(folder.Path()); }

    QWidget& Bar() { return Control("imgSplit"); }
    QWidget& Indicator() { return Control("PicSplit"); }
    void Drag(Qt::MouseButton button, int toX)
    {
        QTest::mousePress(&Bar(), button, {}, QPoint(2, 10));
        QTest::mouseMove(&Bar(), QPoint(toX, 10));
        QTest::mouseRelease(&Bar(), button, {}, QPoint(toX, 10));
    }
    // Tree, bar and grid side by side across the whole width, above the target panel.
    void ExpectUpperAreaFilled(int treeWidth)
    {
        const int upper = Control("Picture1").y();
        EXPECT_EQ(Tree().geometry(), QRect(0, 0, treeWidth, upper));
        EXPECT_EQ(Bar().geometry(), QRect(treeWidth, 0, Bar().width(), upper));
        EXPECT_EQ(Grid().geometry(),
                  QRect(Bar().geometry().right() + 1, 0, Dialog().width() - Bar().geometry().right() - 1, upper));
    }
};

TEST_F(SplitterTest, OnlyALeftDragMovesAndOnlyTheIndicatorUntilRelease)
{
    const int start = Tree().width();
    Drag(Qt::RightButton, 100);
    EXPECT_FALSE(Dialog().Moving());
    ExpectUpperAreaFilled(start);

    QTest::mousePress(&Bar(), Qt::LeftButton, {}, QPoint(2, 100));
    EXPECT_TRUE(Indicator().isVisible());
    EXPECT_EQ(Indicator().geometry(), Bar().geometry());
    EXPECT_EQ(Dialog().children().constLast(), &Indicator()); // in front of tree and grid
    QTest::mouseMove(&Bar(), QPoint(100, 100));
    EXPECT_EQ(Indicator().x(), start + 100);
    ExpectUpperAreaFilled(start);
    QTest::mouseRelease(&Bar(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_FALSE(Dialog().Moving());
    EXPECT_FALSE(Indicator().isVisible());
    ExpectUpperAreaFilled(start + 100);

    // A drop keeps away from the edge.
    Drag(Qt::LeftButton, -start - 200);
    EXPECT_EQ(Tree().width(), std::lround(EditorLayout::kDropMargin / Dialog().TwipsPerPixel()));
    Drag(Qt::LeftButton, start + 100 - Tree().width());

    // Later resizes keep the fraction and the buttons flush right; resizes
    // while minimised wait for the restore.
    const int width = Dialog().width();
    Dialog().resize(2 * width, Dialog().height());
    ProcessEvents();
    EXPECT_EQ(Control("picButtons").geometry().right(), 2 * width - 1);
    EXPECT_NEAR(Tree().width(), 2 * (start + 100), 1);
    ExpectUpperAreaFilled(Tree().width());
    const EditorLayout::SplitPanes before = Dialog().Panes();
    Dialog().showMinimized();
    ProcessEvents();
    Dialog().resize(width, Dialog().height());
    ProcessEvents();
    EXPECT_EQ(Dialog().Panes(), before);
    Dialog().showNormal();
    ProcessEvents();
    ExpectUpperAreaFilled(start + 100);

    // Reopened, it starts at its designed split again.
    Dialog().hide();
    ProcessEvents();
    int reopened = 0;
    DisplayAndDo([&] {
        reopened = Tree().width();
        Dialog().reject();
    });
    EXPECT_EQ(reopened, start);
}

TEST(EditorLayout, DropsKeepAwayFromTheEdgesAndImpossibleSizesAreSkipped)
{
    using namespace EditorLayout;
    EXPECT_EQ(DropLeft(-6000, 10530), kDropMargin); // nothing is limited during the move, only the drop
    EXPECT_EQ(DropLeft(20000, 10530), 10530 - kDropMargin);
    EXPECT_EQ(DropLeft(400, 500), 200); // both limits: the right-hand one wins
    EXPECT_EQ(DropLeft(5000, 10530), 5000);
    // The keep-last box moves right only when its label is wider in this font than designed.
    EXPECT_EQ(KeepLastBoxLeft(1000), kKeepLastBox.left);
    EXPECT_EQ(KeepLastBoxLeft(5000), kKeepLastLabel.left + 5000 + kLabelGap);
    // Too narrow for the grid, too low for anything: those sizes stay, the positions move on.
    const SplitPanes before = SizeControls({}, 10530, 0.3, 6435);
    const SplitPanes narrow = SizeControls(before, 100, 0.3, -10);
    EXPECT_EQ(narrow.grid.width, before.grid.width);
    EXPECT_EQ(narrow.grid.left, 30 + kSplitterWidth);
    EXPECT_EQ(narrow.tree.height, before.tree.height);
}

} // namespace
} // namespace ze6::test
