// The seven card pages, drawn straight from the painters at an origin of (100, 40).

#include "ViewFixture.h"

namespace {

constexpr int X = 100;
constexpr int Y = 40;
constexpr int kChar = RecordingDC::kCharWidth;

using CardPagesTest = ViewTest;

// --- General Card ---

TEST_F(CardPagesTest, GeneralDescriptionLinesShareTheIndentAfterTheLabel) {
    card.m_description = "Line one\r\nLine two";
    view.DrawGeneralCard(dc, X, Y);
    const int indent = X + 14 * kChar;  // "Description : "
    EXPECT_EQ(TextsOf(dc), (std::vector<Text>{
                               Heading(X, Y, "General Card :"),
                               Body(X, Y + 30, "Description : "),
                               Body(indent, Y + 30, "Line one"),
                               Body(indent, Y + 46, "Line two"),
                           }));
}

TEST_F(CardPagesTest, GeneralTitlePushesTheDescriptionDownOneLine) {
    card.m_title = "Sunset";
    card.m_description = "Over the bay";
    view.DrawGeneralCard(dc, X, Y);
    EXPECT_EQ(TextsOf(dc), (std::vector<Text>{
                               Heading(X, Y, "General Card :"),
                               Body(X, Y + 30, "Title : Sunset"),
                               Body(X, Y + 46, "Description : "),
                               Body(X + 14 * kChar, Y + 46, "Over the bay"),
                           }));
}

TEST_F(CardPagesTest, GeneralWithNothingDrawsTheHeadingOnly) {
    view.DrawGeneralCard(dc, X, Y);
    EXPECT_EQ(TextsOf(dc), (std::vector<Text>{Heading(X, Y, "General Card :")}));
}

// The byte after a carriage return is dropped whatever it is; a lone line feed
// stays in its line; a carriage return at the very end reads nothing past it.
TEST_F(CardPagesTest, MultiLineValueBreaksOnlyOnCarriageReturns) {
    struct Case {
        const char* name;
        std::string value;
        std::vector<std::pair<int, std::string>> lines;  // y offset, text
    };
    const std::vector<Case> cases = {
        {"CrDropsTheNextByte", "A\rBC", {{0, "A"}, {16, "C"}}},
        {"LoneLineFeedStaysInLine", "A\nB", {{0, "A\nB"}}},
        {"TrailingCrAtEnd", "A\r", {{0, "A"}}},
        {"LeadingCrLfDrawsEmptyFirstLine", "\r\nB", {{0, ""}, {16, "B"}}},
        {"TwoBreaks", "A\r\n\r\nB", {{0, "A"}, {16, ""}, {32, "B"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dc.Clear();
        card.m_description = c.value;
        view.DrawGeneralCard(dc, X, Y);
        std::vector<Text> expected = {Heading(X, Y, "General Card :"),
                                      Body(X, Y + 30, "Description : ")};
        for (const auto& [dy, text] : c.lines)
            expected.push_back(Body(X + 14 * kChar, Y + 30 + dy, text));
        EXPECT_EQ(TextsOf(dc), expected);
    }
}

// --- Business E-Card as labelled lines ---

TEST_F(CardPagesTest, BusinessFieldsStepPastEachStreetLine) {
    card.m_name = "Ann Lee";
    card.m_street = "1 Main St\r\nSpringfield";
    card.m_phone = "555-1234";
    view.DrawBusinessCardFields(dc, X, Y);
    const int indent = X + 17 * kChar;  // "Street Address : "
    EXPECT_EQ(TextsOf(dc), (std::vector<Text>{
                               Heading(X, Y, "Business E-Card :"),
                               Body(X, Y + 30, "Personal/Company : Ann Lee"),
                               Body(X, Y + 46, "Street Address : "),
                               Body(indent, Y + 46, "1 Main St"),
                               Body(indent, Y + 62, "Springfield"),
                               Body(X, Y + 78, "Phone : 555-1234"),
                           }));
}

TEST_F(CardPagesTest, BusinessStreetEndingInCrLfAddsNoBlankLine) {
    card.m_street = "1 Main St\r\n";
    card.m_phone = "555-1234";
    view.DrawBusinessCardFields(dc, X, Y);
    auto texts = TextsOf(dc);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[2], Body(X + 17 * kChar, Y + 30, "1 Main St"));
    EXPECT_EQ(texts[3], Body(X, Y + 46, "Phone : 555-1234"));
}

TEST_F(CardPagesTest, BusinessFieldsInFixedOrderMessageAsOneString) {
    card.m_message = "See you\r\nsoon";
    card.m_email = "ann@example.com";
    card.m_url = "www.example.com";
    card.m_fax = "555-9999";
    card.m_phone = "555-1234";
    card.m_name = "Ann Lee";
    view.DrawBusinessCardFields(dc, X, Y);
    EXPECT_EQ(TextsOf(dc), (std::vector<Text>{
                               Heading(X, Y, "Business E-Card :"),
                               Body(X, Y + 30, "Personal/Company : Ann Lee"),
                               Body(X, Y + 46, "Phone : 555-1234"),
                               Body(X, Y + 62, "Fax : 555-9999"),
                               Body(X, Y + 78, "URL : www.example.com"),
                               Body(X, Y + 94, "E-mail : ann@example.com"),
                               Body(X, Y + 110, "Message : See you\r\nsoon"),
                           }));
}

// --- Business E-Card on its layout ---

TEST_F(CardPagesTest, BusinessLayoutFieldsShowTheValueOfTheirOwnTag) {
    card.m_layout->Clear();
    const char* tags[] = {"NAM", "URL", "EMA", "STA", "PHO", "FAX", "MSG", "XXX", "nam"};
    for (int i = 0; i < 9; ++i) {
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
    view.DrawBusinessCardLayout(dc, X, Y);
    std::vector<Text> expected = {Heading(X, Y, "Business E-Card :")};
    const char* values[] = {"name", "url", "email", "street", "phone", "fax", "message"};
    for (int i = 0; i < 7; ++i)
        expected.push_back({X + 5, Y + 30 + 10 * i, "Arial/10/400", kBlack, values[i]});
    EXPECT_EQ(TextsOf(dc), expected);
}

// --- Collection Card ---

TEST_F(CardPagesTest, CollectionNameIsASecondHeadingAboveTheFieldList) {
    card.m_collectionName = "Minerals";
    card.m_fieldLabels = {"Name", "Origin"};
    card.m_fieldValues = {"Pyrite", "Spain"};
    view.DrawCollectionCard(dc, X, Y);
    EXPECT_EQ(TextsOf(dc), (std::vector<Text>{
                               Heading(X, Y, "Collection Card :"),
                               Heading(X, Y + 30, "Minerals"),
                               Body(X, Y + 50, "Name : Pyrite"),
                               Body(X, Y + 70, "Origin : Spain"),
                           }));
}

TEST_F(CardPagesTest, CollectionNamedQuestionMarkShowsTheHeadingOnly) {
    card.m_collectionName = "?";
    card.m_fieldLabels = {"Name"};
    card.m_fieldValues = {"Pyrite"};
    view.DrawCollectionCard(dc, X, Y);
    EXPECT_EQ(TextsOf(dc), (std::vector<Text>{Heading(X, Y, "Collection Card :")}));
}

TEST_F(CardPagesTest, CollectionEmptyNameStillTakesItsLine) {
    card.m_fieldLabels = {"Name"};
    card.m_fieldValues = {"Pyrite"};
    view.DrawCollectionCard(dc, X, Y);
    EXPECT_EQ(TextsOf(dc), (std::vector<Text>{
                               Heading(X, Y, "Collection Card :"),
                               Heading(X, Y + 30, ""),
                               Body(X, Y + 50, "Name : Pyrite"),
                           }));
}

TEST_F(CardPagesTest, CollectionLabelWithoutAValueShowsItEmpty) {
    card.m_collectionName = "Minerals";
    card.m_fieldLabels = {"Name", "Origin"};
    card.m_fieldValues = {"Pyrite"};  // shorter than the labels: must not read past it
    view.DrawCollectionCard(dc, X, Y);
    auto texts = TextsOf(dc);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[3], Body(X, Y + 70, "Origin : "));
}

// --- Copyright Card ---

TEST_F(CardPagesTest, CopyrightStatusLineAndTheLinesBelowIt) {
    struct Case {
        const char* name;
        int status;
        std::string credits;
        std::string holder;
        std::vector<Text> body;
    };
    const std::vector<Case> cases = {
        {"ProtectedNoCreditsHolderMovesUp",
         1,
         "",
         "Ann Lee",
         {Body(X, Y + 20, "Image Status : Protected (Contact Author)"),
          Body(X, Y + 36, "Copyright Holder : Ann Lee")}},
        {"UnknownStatusKeepsItsLine",
         7,
         "Photo by Ann",
         "",
         {Body(X, Y + 36, "Image Credits : Photo by Ann")}},
        {"CreditsBeforeHolder",
         0,
         "Photo by Ann",
         "Ann Lee",
         {Body(X, Y + 20, "Image Status : Copyrighted"),
          Body(X, Y + 36, "Image Credits : Photo by Ann"),
          Body(X, Y + 52, "Copyright Holder : Ann Lee")}},
        {"PublicDomainAlone", 2, "", "", {Body(X, Y + 20, "Image Status : Public Domain")}},
        {"NegativeStatus", -1, "", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dc.Clear();
        card.m_copyrightStatus = c.status;
        card.m_credits = c.credits;
        card.m_holder = c.holder;
        view.DrawCopyrightCard(dc, X, Y);
        std::vector<Text> expected = {Heading(X, Y, "Copyright Card :")};
        expected.insert(expected.end(), c.body.begin(), c.body.end());
        EXPECT_EQ(TextsOf(dc), expected);
    }
}

// --- Protocol details ---

TEST_F(CardPagesTest, ProtocolDetailsOfTheDefaultRecord) {
    card.m_creationDate = "06122026";
    view.DrawProtocolDetails(dc, X, Y);
    EXPECT_EQ(TextsOf(dc), (std::vector<Text>{
                               Heading(X, Y, "Tessellon information"),
                               Body(X, Y + 30, "tSN Protocol Revision : 01.00"),
                               Body(X, Y + 50, "Creation Date : 06 Dec 2026"),
                               Body(X, Y + 70, "Created By : Tessellon Publisher"),
                               Body(X, Y + 90, "Creator Version : 01.10"),
                           }));
}

// --- Other Comments ---

TEST_F(CardPagesTest, OtherCommentsSkipCardCommentsAndListTheRest) {
    LoadPicture({64, 48}, {64, 48}, {"first", "tSNabc", "tS", "tsn lower case", "a\r\nb"});
    view.DrawOtherComments(dc, X, Y);
    EXPECT_EQ(TextsOf(dc), (std::vector<Text>{
                               Heading(X, Y, "Other Comments :"),
                               Body(X, Y + 30, "first"),
                               Body(X, Y + 46, "tS"),
                               Body(X, Y + 62, "tsn lower case"),
                               Body(X, Y + 78, "a\r\nb"),
                           }));
}

TEST_F(CardPagesTest, OtherCommentsNoneFoundWithoutHeading) {
    struct Case {
        const char* name;
        int format;
        std::vector<std::string> comments;
    };
    const std::vector<Case> cases = {
        {"OnlyCardComments", ImageFormat::kJpeg, {"tSN1", "tSN2"}},
        {"NoComments", ImageFormat::kPng, {}},
        // A stale JPEG list does not count for a BMP.
        {"BmpKeepsNoComments", ImageFormat::kBmp, {"left from a JPEG"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dc.Clear();
        LoadPicture({64, 48}, {64, 48}, c.comments);
        doc.m_image.m_format = c.format;
        view.DrawOtherComments(dc, X, Y);
        EXPECT_EQ(TextsOf(dc), (std::vector<Text>{Body(X, Y, "No additional comments found.")}));
    }
}

}  // namespace
