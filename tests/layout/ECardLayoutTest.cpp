#include <gtest/gtest.h>

#include "layout/ECardLayout.h"
#include "platform/RecordingDC.h"

namespace {

using Kind = DrawCall::Kind;

TEST(ECardLayoutObjectTest, FilledRectangleUsesANullPenAndReachesItsEdgesInclusive) {
    RecordingDC dc;
    ECardLayoutObject object;
    object.Set(ECardLayoutObject::kFilledRectangle, 1, 1, 318, 59, 0x700000, 0x700000);
    object.Draw(dc, 10, 40);

    std::vector<DrawCall> rects = dc.CallsOf({Kind::Rectangle});
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].a, 11);
    EXPECT_EQ(rects[0].b, 41);
    EXPECT_EQ(rects[0].c, 329);
    EXPECT_EQ(rects[0].d, 100);
    ASSERT_TRUE(rects[0].pen && rects[0].brush);
    EXPECT_EQ(rects[0].pen->style, PenStyle::Null);
    EXPECT_EQ(rects[0].pen->width, 1);
    EXPECT_EQ(rects[0].pen->color, 0x700000u);
    EXPECT_EQ(rects[0].brush->color, 0x700000u);
}

TEST(ECardLayoutObjectTest, PenAndBrushAreSelectedBackInReverseOrder) {
    RecordingDC dc;
    Pen outerPen{PenStyle::Solid, 1, 0x0000FF};
    Brush outerBrush{0x00FF00};
    dc.SelectPen(&outerPen);
    dc.SelectBrush(&outerBrush);
    dc.Clear();

    ECardLayoutObject object;
    object.Set(1, 0, 0, 5, 5, 0x111111, 0x222222);
    object.Draw(dc, 0, 0);

    const std::vector<DrawCall>& calls = dc.Calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].kind, Kind::SelectPen);
    EXPECT_EQ(calls[1].kind, Kind::SelectBrush);
    EXPECT_EQ(calls[2].kind, Kind::Rectangle);
    EXPECT_EQ(calls[3].kind, Kind::SelectBrush);
    ASSERT_TRUE(calls[3].brush);
    EXPECT_EQ(calls[3].brush->color, 0x00FF00u);
    EXPECT_EQ(calls[4].kind, Kind::SelectPen);
    ASSERT_TRUE(calls[4].pen);
    EXPECT_EQ(calls[4].pen->color, 0x0000FFu);
}

TEST(ECardLayoutObjectTest, OtherKindsDrawNothing) {
    for (int kind : {0, 2, -1}) {
        RecordingDC dc;
        ECardLayoutObject object;
        object.Set(kind, 0, 0, 5, 5, 0, 0);
        object.Draw(dc, 0, 0);
        EXPECT_TRUE(dc.Calls().empty()) << "kind " << kind;
    }
}

TEST(ECardLayoutTest, FrameIsOneUnitInsideTheSizeWithTheSelectedPenAndBrush) {
    RecordingDC dc;
    ECardLayout layout;
    layout.LoadBuiltIn(5);
    layout.Draw(dc, 10, 40);

    std::vector<DrawCall> rects = dc.CallsOf({Kind::Rectangle});
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].a, 10);
    EXPECT_EQ(rects[0].b, 40);
    EXPECT_EQ(rects[0].c, 10 + 320 - 1);
    EXPECT_EQ(rects[0].d, 40 + 170 - 1);
    // The frame takes the context's own pen and brush.
    EXPECT_FALSE(rects[0].pen.has_value());
    EXPECT_FALSE(rects[0].brush.has_value());
    EXPECT_EQ(dc.Calls().front().kind, Kind::Rectangle);
    // The element follows, over the frame.
    EXPECT_EQ(rects[1].a, 11);
    ASSERT_TRUE(rects[1].pen);
    EXPECT_EQ(rects[1].pen->style, PenStyle::Null);
    // Fields are not the layout's to draw.
    EXPECT_TRUE(dc.CallsOf({Kind::TextOut}).empty());
}

TEST(ECardLayoutTest, ElementsAreDrawnInTheOrderAdded) {
    RecordingDC dc;
    ECardLayout layout;
    layout.LoadBuiltIn(10);
    layout.Draw(dc, 0, 0);
    std::vector<DrawCall> rects = dc.CallsOf({Kind::Rectangle});
    ASSERT_EQ(rects.size(), 6u);
    const int lefts[] = {0, 1, 20, 20, 1, 128};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(rects[i].a, lefts[i]) << "rectangle " << i;
}

TEST(ECardLayoutTest, ClearEmptiesButKeepsFrameAndNumber) {
    ECardLayout layout;
    layout.LoadBuiltIn(9);
    layout.Clear();
    EXPECT_EQ(layout.GetFieldCount(), 0);
    EXPECT_TRUE(layout.m_objects.empty());
    EXPECT_EQ(layout.m_number, 9);

    layout.Clear();  // an empty layout clears to itself
    RecordingDC dc;
    layout.Draw(dc, 0, 0);
    ASSERT_EQ(dc.Calls().size(), 1u);
    EXPECT_EQ(dc.Calls()[0].c, 329);
    EXPECT_EQ(dc.Calls()[0].d, 169);
}

TEST(ECardLayoutTest, AddingNothingKeepsTheArraysFreeOfNulls) {
    ECardLayout layout;
    layout.AddField(nullptr);
    layout.AddObject(nullptr);
    EXPECT_EQ(layout.GetFieldCount(), 0);
    EXPECT_TRUE(layout.m_objects.empty());
}

}  // namespace
