#include <gtest/gtest.h>

#include "layout/ECardLayout.h"

namespace {

struct FieldRow {
    int index;
    std::string tag;
    int x, y, align;
    std::string face;
    int size;
    COLORREF color;
    std::string label;
};

struct ElementRow {
    int index;
    int left, top, right, bottom;
    COLORREF color;
};

struct CatalogueCase {
    int number;
    int width, height;
    int elements, fields;
    std::vector<std::string> tags;  // all fields, in order
    FieldRow field;                 // one field checked member by member
    std::vector<ElementRow> elementRows;
};

void ExpectField(const ECardLayoutField& f, const FieldRow& row) {
    SCOPED_TRACE("field " + std::to_string(row.index));
    EXPECT_EQ(f.m_tag, row.tag);
    EXPECT_EQ(f.m_x, row.x);
    EXPECT_EQ(f.m_y, row.y);
    EXPECT_EQ(f.m_align, row.align);
    EXPECT_EQ(f.m_face, row.face);
    EXPECT_EQ(f.m_size, row.size);
    EXPECT_EQ(f.m_color, row.color);
    EXPECT_EQ(f.m_label, row.label);
}

const std::vector<std::string> kSeven = {"NAM", "MSG", "URL", "STA", "PHO", "FAX", "EMA"};
const std::vector<std::string> kFour = {"NAM", "MSG", "URL", "EMA"};

class CatalogueTest : public testing::TestWithParam<CatalogueCase> {};

TEST_P(CatalogueTest, BuildsTheListedContents) {
    const CatalogueCase& c = GetParam();
    ECardLayout layout;
    layout.LoadBuiltIn(c.number);

    EXPECT_EQ(layout.m_number, c.number);
    EXPECT_EQ(layout.m_width, c.width);
    EXPECT_EQ(layout.m_height, c.height);
    EXPECT_EQ(layout.m_backColor, 0xFFFFFFu);
    ASSERT_EQ(static_cast<int>(layout.m_objects.size()), c.elements);
    ASSERT_EQ(layout.GetFieldCount(), c.fields);
    for (int i = 0; i < c.fields; ++i)
        EXPECT_EQ(layout.GetField(i).m_tag, c.tags[i]) << "field " << i;
    ExpectField(layout.GetField(c.field.index), c.field);

    for (const auto& object : layout.m_objects) {
        EXPECT_EQ(object.m_kind, ECardLayoutObject::kFilledRectangle);
        EXPECT_EQ(object.m_penColor, object.m_fillColor);
    }
    for (const ElementRow& row : c.elementRows) {
        SCOPED_TRACE("element " + std::to_string(row.index));
        const ECardLayoutObject& o = layout.m_objects[row.index];
        EXPECT_EQ(o.m_left, row.left);
        EXPECT_EQ(o.m_top, row.top);
        EXPECT_EQ(o.m_right, row.right);
        EXPECT_EQ(o.m_bottom, row.bottom);
        EXPECT_EQ(o.m_fillColor, row.color);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, CatalogueTest,
    testing::Values(
        CatalogueCase{1, 350, 200, 0, 7, kSeven, {0, "NAM", 175, 15, 1, "Arial", 30, 0, ""}, {}},
        CatalogueCase{
            2, 350, 200, 0, 7, kSeven, {6, "EMA", 330, 168, 2, "Arial", 14, 0, "Email : "}, {}},
        CatalogueCase{
            3, 300, 170, 0, 7, kSeven, {1, "MSG", 150, 40, 1, "Arial", 14, 0xFF0000, ""}, {}},
        CatalogueCase{
            4, 300, 170, 0, 7, kSeven, {5, "FAX", 284, 126, 2, "Arial", 14, 0, "Fax : "}, {}},
        CatalogueCase{5,
                      320,
                      170,
                      1,
                      7,
                      kSeven,
                      {0, "NAM", 304, 10, 2, "Arial", 26, 0xFFFFFF, ""},
                      {{0, 1, 1, 318, 59, 0x700000}}},
        CatalogueCase{6,
                      320,
                      170,
                      1,
                      7,
                      kSeven,
                      {4, "PHO", 16, 112, 0, "Arial", 14, 0, "Phone : "},
                      {{0, 1, 1, 55, 168, 0x007FFF}}},
        CatalogueCase{7,
                      320,
                      170,
                      2,
                      7,
                      kSeven,
                      {0, "NAM", 280, 10, 2, "Courier", 25, 0, ""},
                      {{0, 290, 1, 318, 168, 0x007F00}, {1, 1, 1, 4, 168, 0x007F00}}},
        CatalogueCase{8, 300, 170, 0, 4, kFour, {3, "EMA", 150, 130, 1, "Arial", 18, 0, ""}, {}},
        CatalogueCase{9,
                      330,
                      170,
                      3,
                      4,
                      kFour,
                      {2, "URL", 165, 90, 1, "Arial", 16, 0, ""},
                      {{0, 1, 1, 328, 8, 0x00FFFF},
                       {1, 1, 160, 328, 168, 0x00FFFF},
                       {2, 1, 67, 328, 72, 0x00FFFF}}},
        CatalogueCase{10,
                      330,
                      170,
                      5,
                      4,
                      {"NAM", "EMA", "MSG", "URL"},
                      {1, "EMA", 165, 75, 1, "courier", 18, 0, ""},
                      {{0, 1, 1, 308, 48, 0x004F00},
                       {1, 20, 62, 308, 106, 0xAFFF9F},
                       {4, 128, 120, 328, 124, 0x008F00}}}),
    [](const testing::TestParamInfo<CatalogueCase>& info) {
        return "Layout" + std::to_string(info.param.number);
    });

TEST(CatalogueTest, UnknownNumberAfterALayoutKeepsOnlyItsFrameSize) {
    ECardLayout layout;
    layout.LoadBuiltIn(5);
    layout.LoadBuiltIn(11);
    EXPECT_EQ(layout.m_number, 11);
    EXPECT_EQ(layout.m_width, 320);
    EXPECT_EQ(layout.m_height, 170);
    EXPECT_EQ(layout.GetFieldCount(), 0);
    EXPECT_TRUE(layout.m_objects.empty());
}

TEST(CatalogueTest, UnknownNumbersOnAFreshLayoutKeepTheDefaultFrame) {
    for (int number : {0, -1, 11, 1000}) {
        ECardLayout layout;
        layout.LoadBuiltIn(number);
        EXPECT_EQ(layout.m_number, number);
        EXPECT_EQ(layout.m_width, 300);
        EXPECT_EQ(layout.m_height, 150);
        EXPECT_EQ(layout.GetFieldCount(), 0);
    }
}

TEST(CatalogueTest, ReloadingReplacesAndNeverAccumulates) {
    ECardLayout layout;
    layout.LoadBuiltIn(7);
    layout.LoadBuiltIn(8);
    EXPECT_TRUE(layout.m_objects.empty());
    EXPECT_EQ(layout.GetFieldCount(), 4);
    EXPECT_EQ(layout.m_width, 300);

    layout.LoadBuiltIn(10);
    layout.LoadBuiltIn(10);
    EXPECT_EQ(layout.m_objects.size(), 5u);
    EXPECT_EQ(layout.GetFieldCount(), 4);
}

// Asking again for the layout it is keeps it; a layout changed since is built again.
TEST(CatalogueTest, ReloadingAChangedLayoutRebuildsIt) {
    ECardLayout layout;
    layout.LoadBuiltIn(10);
    layout.AddField(std::make_unique<ECardLayoutField>());
    layout.LoadBuiltIn(10);
    EXPECT_EQ(layout.GetFieldCount(), 4);

    layout.AddObject(std::make_unique<ECardLayoutObject>());
    layout.LoadBuiltIn(10);
    EXPECT_EQ(layout.m_objects.size(), 5u);

    layout.Clear();
    layout.LoadBuiltIn(10);
    EXPECT_EQ(layout.m_objects.size(), 5u);
    EXPECT_EQ(layout.GetFieldCount(), 4);
}

}  // namespace
