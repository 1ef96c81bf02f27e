// The view over a real open: a JPEG written with a scrambled card comment and an
// ordinary one, read by the real backend, sized to half for preview.

#include <gtest/gtest.h>

#include <cstdio>

#include "ViewFixture.h"
#include "card/Scrambler.h"
#include "image/RealImagingBackend.h"
#include "support/ImageFixtures.h"

namespace {

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
