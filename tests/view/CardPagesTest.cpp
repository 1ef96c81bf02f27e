// The seven card pages, drawn straight from the painters at an origin of (100, 40).

#include <functional>

#include "ViewFixture.h"

namespace {

constexpr int X = 100;
constexpr int Y = 40;
constexpr int kChar = RecordingDC::kCharWidth;

using Painter = void (Ctsn_viewerView::*)(DeviceContext&, int, int) const;

// A page painted from the record as `setup` leaves it: every string it draws.
struct PageCase {
    std::string name;
    Painter painter;
    std::function<void(Ctsn_viewerDoc&)> setup;
    std::vector<Text> expected;
};

void PrintTo(const PageCase& page, std::ostream* os) {
    *os << page.name;
}

using FieldValues = std::vector<std::pair<std::string CardInfo::*, std::string>>;

// Sets the record's text fields.
std::function<void(Ctsn_viewerDoc&)> Fields(FieldValues values) {
    return [=](Ctsn_viewerDoc& doc) {
        for (const auto& [member, value] : values)
            doc.m_card.*member = value;
    };
}

// A General Card whose description is `value`, drawn as `lines` (offset below the
// label's line, text) at the indent after "Description : ".
PageCase DescriptionCase(std::string name, std::string value,
                         std::vector<std::pair<int, std::string>> lines) {
    std::vector<Text> expected = {Heading(X, Y, "General Card :"),
                                  Body(X, Y + 30, "Description : ")};
    for (const auto& [dy, text] : lines)
        expected.push_back(Body(X + 14 * kChar, Y + 30 + dy, text));
    return {std::move(name), &Ctsn_viewerView::DrawGeneralCard,
            Fields({{&CardInfo::m_description, std::move(value)}}), std::move(expected)};
}

PageCase CopyrightCase(std::string name, int status, std::string credits, std::string holder,
                       std::vector<Text> body) {
    std::vector<Text> expected = {Heading(X, Y, "Copyright Card :")};
    expected.insert(expected.end(), body.begin(), body.end());
    return {std::move(name), &Ctsn_viewerView::DrawCopyrightCard,
            [=](Ctsn_viewerDoc& doc) {
                doc.m_card.m_copyrightStatus = status;
                doc.m_card.m_credits = credits;
                doc.m_card.m_holder = holder;
            },
            std::move(expected)};
}

// Other Comments of an image of `format` whose wrapper holds `comments`.
PageCase CommentsCase(std::string name, int format, std::vector<std::string> comments,
                      std::vector<Text> expected) {
    return {std::move(name), &Ctsn_viewerView::DrawOtherComments,
            [=](Ctsn_viewerDoc& doc) {
                doc.m_image.m_format = format;
                doc.m_image.m_comments = comments;
            },
            std::move(expected)};
}

const Text kNoOtherComments = Body(X, Y, "No additional comments found.");

std::vector<PageCase> GeneralCases() {
    return {
        DescriptionCase("DescriptionLinesShareTheIndentAfterTheLabel", "Line one\r\nLine two",
                        {{0, "Line one"}, {16, "Line two"}}),
        // The byte after a carriage return is dropped whatever it is; a lone line feed
        // stays in its line; a carriage return at the very end reads nothing past it.
        DescriptionCase("CrDropsTheNextByte", "A\rBC", {{0, "A"}, {16, "C"}}),
        DescriptionCase("LoneLineFeedStaysInLine", "A\nB", {{0, "A\nB"}}),
        DescriptionCase("TrailingCrAtEnd", "A\r", {{0, "A"}}),
        DescriptionCase("LeadingCrLfDrawsEmptyFirstLine", "\r\nB", {{0, ""}, {16, "B"}}),
        DescriptionCase("TwoBreaks", "A\r\n\r\nB", {{0, "A"}, {16, ""}, {32, "B"}}),
        {"TitlePushesTheDescriptionDownOneLine",
         &Ctsn_viewerView::DrawGeneralCard,
         Fields({{&CardInfo::m_title, "Sunset"}, {&CardInfo::m_description, "Over the bay"}}),
         {Heading(X, Y, "General Card :"), Body(X, Y + 30, "Title : Sunset"),
          Body(X, Y + 46, "Description : "), Body(X + 14 * kChar, Y + 46, "Over the bay")}},
        {"NothingDrawsTheHeadingOnly",
         &Ctsn_viewerView::DrawGeneralCard,
         Fields({}),
         {Heading(X, Y, "General Card :")}},
    };
}

std::vector<PageCase> BusinessCases() {
    const int indent = X + 17 * kChar;  // "Street Address : "
    return {
        {"FieldsStepPastEachStreetLine",
         &Ctsn_viewerView::DrawBusinessCardFields,
         Fields({{&CardInfo::m_name, "Ann Lee"},
                 {&CardInfo::m_street, "1 Main St\r\nSpringfield"},
                 {&CardInfo::m_phone, "555-1234"}}),
         {Heading(X, Y, "Business E-Card :"), Body(X, Y + 30, "Personal/Company : Ann Lee"),
          Body(X, Y + 46, "Street Address : "), Body(indent, Y + 46, "1 Main St"),
          Body(indent, Y + 62, "Springfield"), Body(X, Y + 78, "Phone : 555-1234")}},
        {"StreetEndingInCrLfAddsNoBlankLine",
         &Ctsn_viewerView::DrawBusinessCardFields,
         Fields({{&CardInfo::m_street, "1 Main St\r\n"}, {&CardInfo::m_phone, "555-1234"}}),
         {Heading(X, Y, "Business E-Card :"), Body(X, Y + 30, "Street Address : "),
          Body(indent, Y + 30, "1 Main St"), Body(X, Y + 46, "Phone : 555-1234")}},
        {"FieldsInFixedOrderMessageAsOneString",
         &Ctsn_viewerView::DrawBusinessCardFields,
         Fields({{&CardInfo::m_message, "See you\r\nsoon"},
                 {&CardInfo::m_email, "ann@example.com"},
                 {&CardInfo::m_url, "www.example.com"},
                 {&CardInfo::m_fax, "555-9999"},
                 {&CardInfo::m_phone, "555-1234"},
                 {&CardInfo::m_name, "Ann Lee"}}),
         {Heading(X, Y, "Business E-Card :"), Body(X, Y + 30, "Personal/Company : Ann Lee"),
          Body(X, Y + 46, "Phone : 555-1234"), Body(X, Y + 62, "Fax : 555-9999"),
          Body(X, Y + 78, "URL : www.example.com"), Body(X, Y + 94, "E-mail : ann@example.com"),
          Body(X, Y + 110, "Message : See you\r\nsoon")}},
    };
}

std::vector<PageCase> CollectionCases() {
    auto collection = [](std::string name, std::vector<std::string> labels,
                         std::vector<std::string> values) {
        return [=](Ctsn_viewerDoc& doc) {
            doc.m_card.m_collectionName = name;
            doc.m_card.m_fieldLabels = labels;
            doc.m_card.m_fieldValues = values;
        };
    };
    const Text heading = Heading(X, Y, "Collection Card :");
    return {
        {"NameIsASecondHeadingAboveTheFieldList",
         &Ctsn_viewerView::DrawCollectionCard,
         collection("Minerals", {"Name", "Origin"}, {"Pyrite", "Spain"}),
         {heading, Heading(X, Y + 30, "Minerals"), Body(X, Y + 50, "Name : Pyrite"),
          Body(X, Y + 70, "Origin : Spain")}},
        {"NamedQuestionMarkShowsTheHeadingOnly",
         &Ctsn_viewerView::DrawCollectionCard,
         collection("?", {"Name"}, {"Pyrite"}),
         {heading}},
        {"EmptyNameStillTakesItsLine",
         &Ctsn_viewerView::DrawCollectionCard,
         collection("", {"Name"}, {"Pyrite"}),
         {heading, Heading(X, Y + 30, ""), Body(X, Y + 50, "Name : Pyrite")}},
        // Fewer values than labels: must not read past them.
        {"LabelWithoutAValueShowsItEmpty",
         &Ctsn_viewerView::DrawCollectionCard,
         collection("Minerals", {"Name", "Origin"}, {"Pyrite"}),
         {heading, Heading(X, Y + 30, "Minerals"), Body(X, Y + 50, "Name : Pyrite"),
          Body(X, Y + 70, "Origin : ")}},
    };
}

std::vector<PageCase> CopyrightCases() {
    return {
        CopyrightCase("ProtectedNoCreditsHolderMovesUp", 1, "", "Ann Lee",
                      {Body(X, Y + 20, "Image Status : Protected (Contact Author)"),
                       Body(X, Y + 36, "Copyright Holder : Ann Lee")}),
        CopyrightCase("UnknownStatusKeepsItsLine", 7, "Photo by Ann", "",
                      {Body(X, Y + 36, "Image Credits : Photo by Ann")}),
        CopyrightCase("CreditsBeforeHolder", 0, "Photo by Ann", "Ann Lee",
                      {Body(X, Y + 20, "Image Status : Copyrighted"),
                       Body(X, Y + 36, "Image Credits : Photo by Ann"),
                       Body(X, Y + 52, "Copyright Holder : Ann Lee")}),
        CopyrightCase("PublicDomainAlone", 2, "", "",
                      {Body(X, Y + 20, "Image Status : Public Domain")}),
        CopyrightCase("NegativeStatus", -1, "", "", {}),
    };
}

std::vector<PageCase> ProtocolAndCommentCases() {
    return {
        {"ProtocolDetailsOfTheDefaultRecord",
         &Ctsn_viewerView::DrawProtocolDetails,
         Fields({{&CardInfo::m_creationDate, "06122026"}}),
         {Heading(X, Y, "Tessellon information"), Body(X, Y + 30, "tSN Protocol Revision : 01.00"),
          Body(X, Y + 50, "Creation Date : 06 Dec 2026"),
          Body(X, Y + 70, "Created By : Tessellon Publisher"),
          Body(X, Y + 90, "Creator Version : 01.10")}},
        CommentsCase(
            "OtherCommentsSkipCardCommentsAndListTheRest", ImageFormat::kJpeg,
            {"first", "tSNabc", "tS", "tsn lower case", "a\r\nb"},
            {Heading(X, Y, "Other Comments :"), Body(X, Y + 30, "first"), Body(X, Y + 46, "tS"),
             Body(X, Y + 62, "tsn lower case"), Body(X, Y + 78, "a\r\nb")}),
        CommentsCase("OnlyCardComments", ImageFormat::kJpeg, {"tSN1", "tSN2"}, {kNoOtherComments}),
        CommentsCase("NoComments", ImageFormat::kPng, {}, {kNoOtherComments}),
        // A stale JPEG list does not count for a BMP.
        CommentsCase("BmpKeepsNoComments", ImageFormat::kBmp, {"left from a JPEG"},
                     {kNoOtherComments}),
    };
}

class CardPagesTest : public ViewTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(CardPagesTest, DrawsEveryLineInItsPlaceAndStyle) {
    const PageCase& page = GetParam();
    page.setup(doc);
    (view.*page.painter)(dc, X, Y);
    EXPECT_EQ(TextsOf(dc), page.expected);
}

std::string CaseName(const ::testing::TestParamInfo<PageCase>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(General, CardPagesTest, ::testing::ValuesIn(GeneralCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Business, CardPagesTest, ::testing::ValuesIn(BusinessCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Collection, CardPagesTest, ::testing::ValuesIn(CollectionCases()),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(Copyright, CardPagesTest, ::testing::ValuesIn(CopyrightCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(ProtocolAndComments, CardPagesTest,
                         ::testing::ValuesIn(ProtocolAndCommentCases()), CaseName);

// --- Business E-Card on its layout ---

// Tags are matched exactly and only against the business card's own fields.
TEST_F(ViewTest, BusinessLayoutFieldsShowTheValueOfTheirOwnTag) {
    card.m_layout->Clear();
    const char* tags[] = {"NAM", "URL", "EMA", "STA", "PHO", "FAX", "MSG", "XXX", "nam", "TIT"};
    for (int i = 0; i < 10; ++i) {
        auto field = std::make_unique<ECardLayoutField>();
        field->Set(tags[i], 5, 10 * i, ECardLayoutField::kLeft, "Arial", 10, 0, "");
        card.m_layout->AddField(std::move(field));
    }
    card.m_name = "name";
    card.m_url = "url";
    card.m_email = "email";
    card.m_street = "street";
    card.m_phone = "phone";
    card.m_fax = "fax";
    card.m_message = "message";
    card.m_title = "title";
    view.DrawBusinessCardLayout(dc, X, Y);
    std::vector<Text> expected = {Heading(X, Y, "Business E-Card :")};
    const char* values[] = {"name", "url", "email", "street", "phone", "fax", "message"};
    for (int i = 0; i < 7; ++i)
        expected.push_back({X + 5, Y + 30 + 10 * i, "Arial/10/400", kBlack, values[i]});
    EXPECT_EQ(TextsOf(dc), expected);
}

}  // namespace
