#include <map>
#include <string>

#include <gtest/gtest.h>

#include "layout/ECardLayout.h"
#include "platform/RecordingDC.h"

namespace {

using Kind = DrawCall::Kind;

// Answers chosen widths for chosen texts so that alignment arithmetic can be checked
// with widths the fixed metric cannot give (odd ones in particular).
class WidthDC : public RecordingDC {
public:
    explicit WidthDC(std::map<std::string, int> widths, bool printing = false)
        : RecordingDC(printing), m_widths(std::move(widths)) {}
    TextSize GetTextExtent(std::string_view text) override {
        TextSize size = RecordingDC::GetTextExtent(text);
        auto it = m_widths.find(std::string(text));
        if (it != m_widths.end())
            size.cx = it->second;
        return size;
    }

private:
    std::map<std::string, int> m_widths;
};

ECardLayoutField MakeField(int x, int y, int align, int size, std::string label = "") {
    ECardLayoutField field;
    field.Set("STA", x, y, align, "Arial", size, 0x123456, std::move(label));
    return field;
}

struct Line {
    int x;
    int y;
    std::string text;
};

std::vector<Line> TextLines(const RecordingDC& dc) {
    std::vector<Line> lines;
    for (const DrawCall& call : dc.CallsOf({Kind::TextOut}))
        lines.push_back({call.a, call.b, call.text});
    return lines;
}

void ExpectLines(const RecordingDC& dc, const std::vector<Line>& expected) {
    std::vector<Line> actual = TextLines(dc);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("line " + std::to_string(i));
        EXPECT_EQ(actual[i].x, expected[i].x);
        EXPECT_EQ(actual[i].y, expected[i].y);
        EXPECT_EQ(actual[i].text, expected[i].text);
    }
}

TEST(ECardLayoutFieldTest, FontIsBuiltFromTheFieldAndRestoredAfterwards) {
    RecordingDC dc;
    Font outer;
    outer.name = "normal";
    dc.SelectFont(&outer);
    dc.Clear();

    ECardLayoutField field;
    field.Set("NAM", 10, 20, 0, "Courier", 24, 0x0000FF, "");
    field.Draw(dc, 0, 0, "Ann");

    std::vector<DrawCall> selects = dc.CallsOf({Kind::SelectFont});
    ASSERT_EQ(selects.size(), 2u);
    ASSERT_TRUE(selects[0].font);
    const LogFont& lf = selects[0].font->logFont;
    EXPECT_EQ(lf.height, 24);
    EXPECT_EQ(lf.weight, 400);
    EXPECT_EQ(lf.quality, 2);
    EXPECT_EQ(lf.pitchAndFamily, 0x12);
    EXPECT_EQ(lf.faceName, "Courier");
    EXPECT_TRUE(selects[0].font->name.empty());
    // The caller's font comes back once the field is drawn.
    ASSERT_TRUE(selects[1].font);
    EXPECT_EQ(selects[1].font->name, "normal");

    std::vector<DrawCall> texts = dc.CallsOf({Kind::TextOut});
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].color, 0x0000FFu);
    ASSERT_TRUE(texts[0].font);
    EXPECT_EQ(texts[0].font->logFont.faceName, "Courier");
}

TEST(ECardLayoutFieldTest, OverlongFaceNameIsCutToThePlatformLimit) {
    RecordingDC dc;
    ECardLayoutField field;
    field.Set("NAM", 0, 0, 0, std::string(40, 'F'), 14, 0, "");
    field.Draw(dc, 0, 0, "x");
    ASSERT_TRUE(dc.CallsOf({Kind::TextOut})[0].font);
    EXPECT_EQ(dc.CallsOf({Kind::TextOut})[0].font->logFont.faceName, std::string(31, 'F'));
}

TEST(ECardLayoutFieldTest, PrintingAsksOneUnitSmallerButAdvancesTheFullSize) {
    RecordingDC dc(/*printing=*/true);
    MakeField(5, 10, 0, 14).Draw(dc, 100, 200, "a\r\nb");
    std::vector<DrawCall> texts = dc.CallsOf({Kind::TextOut});
    ASSERT_EQ(texts.size(), 2u);
    ASSERT_TRUE(texts[0].font);
    EXPECT_EQ(texts[0].font->logFont.height, 13);
    EXPECT_EQ(texts[0].b, 210);
    EXPECT_EQ(texts[1].b, 224);
}

// Line walk: positions relative to origin (100, 200), anchor (5, 10), size 14, left aligned,
// unless a case says otherwise. The fixed metric is 7 units a byte.
struct WalkCase {
    const char* name;
    std::string label;
    std::string value;
    std::vector<Line> lines;
};

class FieldLineWalkTest : public testing::TestWithParam<WalkCase> {};

TEST_P(FieldLineWalkTest, DrawsTheExpectedLines) {
    const WalkCase& c = GetParam();
    RecordingDC dc;
    MakeField(5, 10, 0, 14, c.label).Draw(dc, 100, 200, c.value);
    ExpectLines(dc, c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldLineWalkTest,
    testing::Values(WalkCase{"SingleLine", "", "Main St", {{105, 210, "Main St"}}},
                    WalkCase{"CrLfSplitsLinesOneSizeApart",
                             "",
                             "12 Main St\r\nSpringfield",
                             {{105, 210, "12 Main St"}, {105, 224, "Springfield"}}},
                    WalkCase{"LabelOnlyOnTheFirstLine",
                             "Phone : ",
                             "555\r\n666",
                             {{105, 210, "Phone : 555"}, {105, 224, "666"}}},
                    WalkCase{"TrailingCrLfGivesAnEmptyLastLine",
                             "",
                             "abc\r\n",
                             {{105, 210, "abc"}, {105, 224, ""}}},
                    WalkCase{"CrDropsTheFollowingByteWhateverItIs",
                             "",
                             "abc\rXdef",
                             {{105, 210, "abc"}, {105, 224, "def"}}},
                    WalkCase{"LoneLfStaysInsideTheLine", "", "ab\ncd", {{105, 210, "ab\ncd"}}},
                    WalkCase{"TrailingLoneCrAddsNoLine", "", "abc\r", {{105, 210, "abc"}}},
                    WalkCase{"EmptyMiddleLineStillAdvances",
                             "",
                             "a\r\n\r\nb",
                             {{105, 210, "a"}, {105, 224, ""}, {105, 238, "b"}}},
                    WalkCase{"LabelAloneBeforeALeadingBreak",
                             "Fax : ",
                             "\r\n9",
                             {{105, 210, "Fax : "}, {105, 224, "9"}}}),
    [](const testing::TestParamInfo<WalkCase>& info) { return info.param.name; });

TEST(ECardLayoutFieldTest, EachLineIsAlignedByItsOwnWidth) {
    // Right aligned at 300: 3 bytes (21 units) and 10 bytes (70 units).
    RecordingDC right;
    MakeField(300, 0, ECardLayoutField::kRight, 14).Draw(right, 0, 0, "abc\r\n0123456789");
    ExpectLines(right, {{279, 0, "abc"}, {230, 14, "0123456789"}});

    // Centred at 150: 3 bytes (21 units, 21/2 = 10) and 10 bytes (70 units).
    RecordingDC centre;
    MakeField(150, 0, ECardLayoutField::kCenter, 14).Draw(centre, 0, 0, "abc\r\n0123456789");
    ExpectLines(centre, {{140, 0, "abc"}, {115, 14, "0123456789"}});
}

TEST(ECardLayoutFieldTest, CentreUsesIntegerHalfOfTheMeasuredWidth) {
    WidthDC dc({{"odd", 101}});
    MakeField(150, 0, ECardLayoutField::kCenter, 14).Draw(dc, 0, 0, "odd");
    ExpectLines(dc, {{100, 0, "odd"}});
}

}  // namespace
