// The view's paint (mapping, header, picture, size line, page dispatch), its scroll
// area and its commands.

#include "ViewFixture.h"

namespace {

using Kind = DrawCall::Kind;

// --- Paint ---

TEST_F(ViewTest, StartUpShowsNoImageSelected) {
    view.OnDraw(dc);
    EXPECT_EQ(TextsOf(dc), (std::vector<Text>{Body(10, 10, "No Image Selected.")}));
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
    auto pictures = dc.CallsOf({Kind::DrawPicture});
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(std::vector<int>({pictures[0].a, pictures[0].b, pictures[0].c, pictures[0].d}),
              std::vector<int>({10, 10, 300, 200}));
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

// --- Commands ---

TEST_F(ViewTest, ConstructionTakesThePictureSwitchFromThePreference) {
    Ctsn_viewerApp hidden;
    hidden.m_displayImage = 0;
    Ctsn_viewerView other(doc, hidden);
    EXPECT_EQ(other.m_bShowImage, 0);
    EXPECT_EQ(other.m_bECardFields, 0);
    EXPECT_EQ(view.m_bShowImage, 1);
    const LogFont& bold = view.BoldFont().logFont;
    EXPECT_EQ(std::tie(bold.height, bold.weight, bold.faceName),
              std::make_tuple(16, 700, std::string("Arial")));
    EXPECT_EQ(view.NormalFont().logFont.weight, 400);
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

}  // namespace
