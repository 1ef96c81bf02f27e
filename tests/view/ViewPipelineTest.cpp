// The view over a real open: a JPEG written with a scrambled card comment and an
// ordinary one, read by the real backend and sized for preview.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "ViewFixture.h"
#include "card/Scrambler.h"
#include "image/RealImagingBackend.h"
#include "support/ImageFixtures.h"

namespace {

// A real open of a 64 x 48 JPEG and the view's paint, for one set of preferences
// and one screen.
struct Preview {
    int type = 1;
    int maxX = 300;
    int maxY = 300;
};

struct OpenedView {
    OpenedView(Preview preview, double devicePixelRatio)
        : doc(app, backend, notifier), view(doc, app) {
        app.m_previewType = preview.type;
        app.m_prevSizeX = preview.maxX;
        app.m_prevSizeY = preview.maxY;
        // One file per process: ctest runs the tests of this file side by side.
        const std::string path =
            ::testing::TempDir() + "view_pipeline_sizes_" + std::to_string(::getpid()) + ".jpg";
        auto card = ScrambleComment("tSN|gen|TITPyrite|end");
        EXPECT_TRUE(card && fixtures::WriteJpegFile(path, 64, 48, {*card}));
        doc.m_image.m_devicePixelRatio = devicePixelRatio;
        EXPECT_TRUE(doc.OnOpenDocument(path));
        std::remove(path.c_str());
        view.OnInitialUpdate();
        view.OnCommand(ViewCommand::kGeneralCard);
        view.OnDraw(dc);
    }

    Ctsn_viewerApp app;
    RealImagingBackend backend;
    SilentNotifier notifier;
    Ctsn_viewerDoc doc;
    Ctsn_viewerView view;
    RecordingDC dc;
};

Preview LimitedTo(int maxX, int maxY) {
    return Preview{2, maxX, maxY};
}

// A limit below 1 leaves that side free: the picture is fitted by the other limit or
// shown whole, and the page stays beside it.
TEST(ViewPipeline, LimitsBelowOneLeaveTheirSideFree) {
    struct Case {
        int maxX, maxY;
        Size preview;
    };
    for (const Case& c : {Case{0, 24, {32, 24}}, Case{32, -1, {32, 24}}, Case{-300, 0, {64, 48}},
                          Case{-2147483647 - 1, 2147483647, {64, 48}}}) {
        SCOPED_TRACE(std::to_string(c.maxX) + " x " + std::to_string(c.maxY));
        OpenedView opened(LimitedTo(c.maxX, c.maxY), 1.0);
        EXPECT_EQ(opened.doc.m_previewSize, c.preview);
        EXPECT_EQ(opened.doc.m_image.HeldSize(), c.preview);
        EXPECT_EQ(opened.view.GetScrollSizes().total,
                  (Size{c.preview.cx + 300, c.preview.cy + 52}));
        const std::vector<std::string> trace = FormatTrace(opened.dc.Calls());
        ASSERT_GE(trace.size(), 3u);
        const std::string x = std::to_string(c.preview.cx + 20);
        EXPECT_EQ(trace[0], "picture 10 10 " + std::to_string(c.preview.cx) + " " +
                                std::to_string(c.preview.cy));
        EXPECT_EQ(trace[1], "text 10 " + std::to_string(c.preview.cy + 20) +
                                " normal 0x000000 \"Image size : 64 x 48\"");
        EXPECT_EQ(trace[2], "text " + x + " 10 bold 0xFF0000 \"General Card :\"");
    }
}

// On a screen of two device pixels per logical one the document and the drawing stay
// logical, as on any other screen; only the pixels held are more.
TEST(ViewPipeline, HighDensityScreenKeepsTheDocumentAndDrawingLogical) {
    for (const Preview& preview : {Preview{}, LimitedTo(40, 40)}) {
        OpenedView one(preview, 1.0);
        OpenedView two(preview, 2.0);
        EXPECT_EQ(two.doc.m_previewSize, one.doc.m_previewSize);
        EXPECT_EQ(two.doc.m_imageSize, one.doc.m_imageSize);
        EXPECT_EQ(FormatTrace(two.dc.Calls()), FormatTrace(one.dc.Calls()));
        const Size shown = one.doc.m_previewSize;
        EXPECT_EQ(two.doc.m_image.HeldSize(),
                  (Size{std::min(64, shown.cx * 2), std::min(48, shown.cy * 2)}));
    }
}

TEST(ViewPipeline, GeneralOnlyCardFromAJpeg) {
    const std::string path = ::testing::TempDir() + "view_pipeline_general.jpg";
    auto cardComment = ScrambleComment("tSN|gen|TITPyrite|LDEFool's gold|end");
    ASSERT_TRUE(cardComment);
    ASSERT_TRUE(fixtures::WriteJpegFile(path, 64, 48, {*cardComment, "an ordinary comment"}));

    Ctsn_viewerApp app;  // half-size preview, picture shown
    RealImagingBackend backend;
    SilentNotifier notifier;
    Ctsn_viewerDoc doc(app, backend, notifier);
    Ctsn_viewerView view(doc, app);
    RecordingHost host;
    view.SetHost(&host);
    ASSERT_TRUE(doc.OnOpenDocument(path));
    view.OnInitialUpdate();
    std::remove(path.c_str());

    EXPECT_EQ(view.GetScrollSizes().total, (Size{32 + 300, 24 + 52}));
    using namespace ViewCommand;
    EXPECT_EQ(view.GetCommandState(kGeneralCard), (CommandState{true, false}));
    EXPECT_EQ(view.GetCommandState(kBusinessCard), (CommandState{false, false}));

    RecordingDC dc;
    view.OnDraw(dc);
    EXPECT_EQ(FormatTrace(dc.Calls()),
              (std::vector<std::string>{"picture 10 10 32 24",
                                        "text 10 44 normal 0x000000 \"Image size : 64 x 48\""}));

    view.OnCommand(kGeneralCard);
    dc.Clear();
    view.OnDraw(dc);
    auto texts = TextsOf(dc);
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[1], Heading(52, 10, "General Card :"));
    EXPECT_EQ(texts[2], Body(52, 40, "Title : Pyrite"));
    EXPECT_EQ(texts[4], Body(52 + 14 * RecordingDC::kCharWidth, 56, "Fool's gold"));

    view.OnCommand(kOtherComments);
    dc.Clear();
    view.OnDraw(dc);
    texts = TextsOf(dc);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1], Heading(52, 10, "Other Comments :"));
    EXPECT_EQ(texts[2], Body(52, 40, "an ordinary comment"));
}

}  // namespace
