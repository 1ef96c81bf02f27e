// The view's paint (mapping, header, picture, size line, page dispatch), its scroll
// area and its commands.

#include "ViewFixture.h"

namespace {

using Kind = DrawCall::Kind;

// Each call as one short line, so whole sequences compare readably.
std::vector<std::string> Steps(const RecordingDC& dc) {
    std::vector<std::string> steps;
    for (const DrawCall& call : dc.Calls()) {
        using std::to_string;
        switch (call.kind) {
            case Kind::SetMapMode:
                steps.push_back(call.a == int(MapMode::Text) ? "map text" : "map isotropic");
                break;
            case Kind::SetWindowExt:
                steps.push_back("window " + to_string(call.a) + " " + to_string(call.b));
                break;
            case Kind::SetViewportExt:
                steps.push_back("viewport " + to_string(call.a) + " " + to_string(call.b));
                break;
            case Kind::SelectFont:
                steps.push_back("font " + FontLabel(call.font));
                break;
            case Kind::SetTextColor:
                steps.push_back("color " + to_string(call.color));
                break;
            case Kind::SetBkMode:
                steps.push_back(call.a == int(BkMode::Transparent) ? "bk transparent"
                                                                   : "bk opaque");
                break;
            case Kind::TextOut:
                steps.push_back("text " + to_string(call.a) + " " + to_string(call.b) + " " +
                                call.text);
                break;
            case Kind::MoveTo:
                steps.push_back("move " + to_string(call.a) + " " + to_string(call.b));
                break;
            case Kind::LineTo:
                steps.push_back("line " + to_string(call.c) + " " + to_string(call.d));
                break;
            case Kind::DrawPicture:
                steps.push_back("picture " + to_string(call.a) + " " + to_string(call.b) + " " +
                                to_string(call.c) + " " + to_string(call.d));
                break;
            default:
                steps.push_back("other");
                break;
        }
    }
    return steps;
}

using Steps_t = std::vector<std::string>;

// --- Paint ---

TEST_F(ViewTest, StartUpShowsNoImageSelectedAndRestoresTheFont) {
    view.OnDraw(dc);
    EXPECT_EQ(Steps(dc), (Steps_t{"map text", "font normal", "bk transparent", "color 0",
                                  "font normal", "text 10 10 No Image Selected.", "font system"}));
}

TEST_F(ViewTest, PaintReselectsWhateverFontWasSelectedBefore) {
    Font callerFont{LogFont{}, "caller"};
    dc.SelectFont(&callerFont);
    LoadPicture({640, 480}, {320, 240});
    doc.m_found = 1;
    doc.m_page = PageCopyrightCard;  // a page that leaves the normal font selected
    view.OnDraw(dc);
    ASSERT_EQ(dc.Calls().back().kind, Kind::SelectFont);
    EXPECT_EQ(FontLabel(dc.Calls().back().font), "caller");
}

TEST_F(ViewTest, PictureAtTenTenSizeLineBelowPageToTheRight) {
    LoadPicture({600, 400}, {300, 200});
    doc.m_found = 1;
    doc.m_page = PageProtocolDetails;
    view.OnDraw(dc);
    auto steps = Steps(dc);
    ASSERT_GE(steps.size(), 5u);
    EXPECT_EQ(Steps_t(steps.begin(), steps.begin() + 5),
              (Steps_t{"map text", "font normal", "bk transparent", "picture 10 10 300 200",
                       "text 10 220 Image size : 600 x 400"}));
    EXPECT_EQ(backend.drawArgs, (std::vector<int>{1200, 1200, 0}));
    auto texts = TextsOf(dc);
    EXPECT_EQ(texts[0], Body(10, 220, "Image size : 600 x 400"));
    EXPECT_EQ(texts[1], Heading(320, 10, "Tessellon information"));
}

TEST_F(ViewTest, PictureThatCannotBeDrawnStillPlacesThePage) {
    LoadPicture({600, 400}, {300, 200});
    doc.m_image.Free();  // Draw reports that nothing is held
    doc.m_found = 1;
    doc.m_page = PageProtocolDetails;
    view.OnDraw(dc);
    EXPECT_TRUE(dc.CallsOf({Kind::DrawPicture}).empty());
    auto texts = TextsOf(dc);
    EXPECT_EQ(texts[0], Body(10, 220, "Image size : 600 x 400"));
    EXPECT_EQ(texts[1].x, 320);
}

TEST_F(ViewTest, HiddenPictureMovesThePageToTenTenWithoutSizeLine) {
    LoadPicture({600, 400}, {300, 200});
    doc.m_found = 1;
    doc.m_page = PageGeneralCard;
    view.OnCommand(ViewCommand::kShowImage);
    view.OnDraw(dc);
    EXPECT_TRUE(dc.CallsOf({Kind::DrawPicture}).empty());
    EXPECT_EQ(TextsOf(dc), (std::vector<Text>{Heading(10, 10, "General Card :")}));
}

TEST_F(ViewTest, CardFoundAndNoPageShowsPictureAndSizeLineOnly) {
    LoadPicture({640, 480}, {320, 240});
    doc.m_found = 1;
    view.OnDraw(dc);
    EXPECT_EQ(dc.CallsOf({Kind::DrawPicture}).size(), 1u);
    EXPECT_EQ(TextsOf(dc), (std::vector<Text>{Body(10, 260, "Image size : 640 x 480")}));
}

TEST_F(ViewTest, WithoutCardsOnlyOtherCommentsIsDrawn) {
    LoadPicture({640, 480}, {320, 240}, {"hello"});
    view.m_bShowImage = 0;
    for (CardPage page : {PageNone, PageProtocolDetails, PageGeneralCard, PageBusinessCard}) {
        SCOPED_TRACE(page);
        dc.Clear();
        doc.m_page = page;
        view.OnDraw(dc);
        EXPECT_EQ(TextsOf(dc),
                  (std::vector<Text>{Body(10, 10, "No Tessellon information available.")}));
    }
    dc.Clear();
    doc.m_page = PageOtherComments;
    view.OnDraw(dc);
    EXPECT_EQ(TextsOf(dc),
              (std::vector<Text>{Heading(10, 10, "Other Comments :"), Body(10, 40, "hello")}));
}

TEST_F(ViewTest, PageCommandsDoNotDrawWhileNoImageIsLoaded) {
    view.OnCommand(ViewCommand::kOtherComments);
    view.OnDraw(dc);
    EXPECT_EQ(TextsOf(dc), (std::vector<Text>{Body(10, 10, "No Image Selected.")}));
}

TEST_F(ViewTest, ECardFieldsSwitchesTheBusinessPageRendering) {
    LoadCardHidden();
    card.m_name = "Ann Lee";
    doc.m_page = PageBusinessCard;
    view.OnDraw(dc);
    EXPECT_EQ(dc.CallsOf({Kind::Rectangle}).size(), 1u);  // on its layout
    dc.Clear();
    view.OnCommand(ViewCommand::kECardFields);
    view.OnDraw(dc);
    EXPECT_TRUE(dc.CallsOf({Kind::Rectangle}).empty());
    EXPECT_EQ(TextsOf(dc).back(), Body(10, 40, "Personal/Company : Ann Lee"));
}

TEST_F(ViewTest, PrintingDrawsHeaderAndRuleThenThePageWithoutPicture) {
    RecordingDC printer(true);
    LoadPicture({600, 400}, {300, 200});
    doc.m_found = 1;
    doc.m_page = PageGeneralCard;
    view.OnDraw(printer);
    EXPECT_EQ(Steps(printer),
              (Steps_t{"map isotropic", "window 300 300", "viewport 1000 1000", "font normal",
                       "bk transparent", "text 50 10 Filename : /images/sunset.jpg", "move 50 30",
                       "line 950 30", "color 16711680", "font bold",
                       "text 50 50 General Card :", "color 0", "font normal", "font system"}));
}

TEST_F(ViewTest, PrintingWithNoImageShowsHeaderThenNoImageSelected) {
    RecordingDC printer(true);
    view.OnDraw(printer);
    EXPECT_EQ(TextsOf(printer),
              (std::vector<Text>{Body(50, 10, "Filename : "), Body(50, 50, "No Image Selected.")}));
}

// --- Scroll area ---

TEST_F(ViewTest, InitialUpdateBeforeAnyOpenIsOneHundredSquare) {
    view.OnInitialUpdate();
    ScrollSizes expected{{100, 100}, {10, 10}, {1, 1}};
    EXPECT_EQ(view.GetScrollSizes(), expected);
    EXPECT_EQ(host.scrolls, std::vector<ScrollSizes>{expected});
    EXPECT_EQ(host.invalidations, std::vector<bool>{true});
}

TEST_F(ViewTest, UpdateAfterOpenSizesFromThePreviewAndClearsTheFlag) {
    LoadPicture({600, 400}, {300, 200});
    view.OnInitialUpdate();
    ScrollSizes expected{{600, 252}, {60, 25}, {6, 2}};
    EXPECT_EQ(view.GetScrollSizes(), expected);
    ASSERT_EQ(host.scrolls.size(), 2u);
    EXPECT_EQ(host.scrolls[1], expected);
    EXPECT_EQ(host.invalidations, (std::vector<bool>{true, false}));
    EXPECT_EQ(doc.m_refreshPending, 0);

    view.OnUpdate();  // flag already cleared: nothing
    EXPECT_EQ(host.scrolls.size(), 2u);
    EXPECT_EQ(host.invalidations.size(), 2u);
}

TEST_F(ViewTest, UpdateActsOnlyOnAFlagOfExactlyOne) {
    LoadPicture({600, 400}, {300, 200});
    doc.m_refreshPending = 2;
    view.OnUpdate();
    EXPECT_TRUE(host.scrolls.empty());
    EXPECT_EQ(doc.m_refreshPending, 2);
}

TEST_F(ViewTest, HidingThePictureKeepsTheScrollArea) {
    LoadPicture({600, 400}, {300, 200});
    view.OnInitialUpdate();
    view.OnCommand(ViewCommand::kShowImage);
    EXPECT_EQ(view.GetScrollSizes().total, (Size{600, 252}));
    EXPECT_EQ(host.scrolls.size(), 2u);
}

// --- Commands ---

TEST_F(ViewTest, ConstructionTakesThePictureSwitchFromThePreference) {
    Ctsn_viewerApp hidden;
    hidden.m_displayImage = 0;
    Ctsn_viewerView other(doc, hidden);
    EXPECT_EQ(other.m_bShowImage, 0);
    EXPECT_EQ(other.m_bECardFields, 0);
    EXPECT_EQ(view.m_bShowImage, 1);
    EXPECT_EQ(view.NormalFont().logFont.weight, 400);
    EXPECT_EQ(view.BoldFont().logFont.weight, 700);
    EXPECT_EQ(view.BoldFont().logFont.height, 16);
    EXPECT_EQ(view.BoldFont().logFont.faceName, "Arial");
    EXPECT_EQ(view.BoldFont().logFont.pitchAndFamily, 0x12);
}

struct StateRow {
    int id;
    CommandState state;
};

void ExpectStates(const Ctsn_viewerView& view, const std::vector<StateRow>& rows) {
    for (const StateRow& row : rows) {
        SCOPED_TRACE(row.id);
        EXPECT_EQ(view.GetCommandState(row.id), row.state);
    }
}

TEST_F(ViewTest, CommandStatesAtStartUp) {
    using namespace ViewCommand;
    ExpectStates(view, {
                           {kGeneralCard, {false, false}},
                           {kBusinessCard, {false, false}},
                           {kCollectionCard, {false, false}},
                           {kCopyrightCard, {false, false}},
                           {kProtocolDetails, {true, false}},
                           {kOtherComments, {true, false}},
                           {kShowImage, {true, true}},
                           {kECardFields, {true, false}},
                           {kFilePrint, {true, false}},
                           {57634, {false, false}},  // Copy: nobody handles it
                       });
}

TEST_F(ViewTest, CommandStatesFollowPresenceFlagsAndTheSelectedPage) {
    using namespace ViewCommand;
    LoadPicture({640, 480}, {320, 240});
    doc.m_found = 1;
    card.m_hasGeneral = 1;
    ExpectStates(view, {
                           {kGeneralCard, {true, false}},
                           {kBusinessCard, {false, false}},
                           {kCollectionCard, {false, false}},
                           {kCopyrightCard, {false, false}},
                       });
    EXPECT_TRUE(view.OnCommand(kGeneralCard));
    EXPECT_EQ(doc.m_page, PageGeneralCard);
    ExpectStates(view, {{kGeneralCard, {true, true}}, {kOtherComments, {true, false}}});
    // A disabled page stays ticked when it is the page, as the flags alone decide.
    doc.m_page = PageCopyrightCard;
    ExpectStates(view, {{kCopyrightCard, {false, true}}, {kGeneralCard, {true, false}}});
}

TEST_F(ViewTest, EveryPageCommandSelectsItsPageAndRepaintsWithErase) {
    using namespace ViewCommand;
    const std::vector<std::pair<int, CardPage>> rows = {
        {kGeneralCard, PageGeneralCard},         {kBusinessCard, PageBusinessCard},
        {kCollectionCard, PageCollectionCard},   {kCopyrightCard, PageCopyrightCard},
        {kProtocolDetails, PageProtocolDetails}, {kOtherComments, PageOtherComments},
    };
    for (const auto& [id, page] : rows) {
        SCOPED_TRACE(id);
        host.invalidations.clear();
        EXPECT_TRUE(view.OnCommand(id));
        EXPECT_EQ(doc.m_page, page);
        EXPECT_EQ(host.invalidations, std::vector<bool>{true});
        EXPECT_TRUE(view.GetCommandState(id).checked);
    }
}

TEST_F(ViewTest, TogglesFlipTheirFlagAndTick) {
    using namespace ViewCommand;
    view.m_bECardFields = 5;  // any nonzero value counts as on
    EXPECT_TRUE(view.GetCommandState(kECardFields).checked);
    view.OnCommand(kECardFields);
    EXPECT_EQ(view.m_bECardFields, 0);
    view.OnCommand(kECardFields);
    EXPECT_EQ(view.m_bECardFields, 1);
    view.OnCommand(kShowImage);
    EXPECT_EQ(view.m_bShowImage, 0);
    EXPECT_FALSE(view.GetCommandState(kShowImage).checked);
    EXPECT_EQ(host.invalidations, (std::vector<bool>{true, true, true}));
}

TEST_F(ViewTest, PrintCommandsGoToTheHostOthersAreRefused) {
    using namespace ViewCommand;
    EXPECT_TRUE(view.OnCommand(kFilePrint));
    EXPECT_TRUE(view.OnCommand(kFilePrintDirect));
    EXPECT_TRUE(view.OnCommand(kFilePrintPreview));
    EXPECT_EQ(host.prints, (std::vector<bool>{true, false}));
    EXPECT_EQ(host.previews, 1);
    EXPECT_FALSE(view.OnCommand(57634));
    EXPECT_EQ(doc.m_page, PageNone);
    EXPECT_TRUE(host.invalidations.empty());
}

TEST(ViewCommandTable, EveryIdHasAStateAndPromptsSplitAtTheLineFeed) {
    EXPECT_EQ(ViewCommandIds().size(), 11u);
    EXPECT_STREQ(CommandPrompt(ViewCommand::kGeneralCard),
                 "View this image's general information\nView General Card");
    EXPECT_STREQ(CommandPrompt(ViewCommand::kECardFields), "");
    EXPECT_STREQ(CommandPrompt(12345), "");
}

}  // namespace
