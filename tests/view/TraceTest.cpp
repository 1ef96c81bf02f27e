// Whole paints as tsn-dump prints them: every traced operation, in order.

#include "ViewFixture.h"

namespace {

using Lines = std::vector<std::string>;

TEST_F(ViewTest, TraceOfTheBusinessCardOnLayoutThree) {
    LoadPicture({600, 400}, {300, 200});
    doc.m_found = 1;
    card.m_hasBusiness = 1;
    card.m_name = "Ann Lee";
    card.m_message = "Hello";
    card.m_street = "1 Main St\r\nSpringfield";
    card.m_phone = "555-1234";
    card.m_email = "ann@example.com";
    view.OnCommand(ViewCommand::kBusinessCard);
    view.OnDraw(dc);
    // Layout 3 at origin (320, 40): name centred on 150, message centred on 150,
    // street left at 16, phone and e-mail right at 284; URL and fax are empty.
    EXPECT_EQ(FormatTrace(dc.Calls()),
              (Lines{
                  "picture 10 10 300 200",
                  "text 10 220 normal 0x000000 \"Image size : 600 x 400\"",
                  "text 320 10 bold 0xFF0000 \"Business E-Card :\"",
                  "rect 320 40 619 209 default default",
                  "text 446 52 Arial/24/400 0x000000 \"Ann Lee\"",
                  "text 453 80 Arial/14/400 0xFF0000 \"Hello\"",
                  "text 336 152 Arial/14/400 0x000000 \"1 Main St\"",
                  "text 336 166 Arial/14/400 0x000000 \"Springfield\"",
                  "text 492 152 Arial/14/400 0x000000 \"Phone : 555-1234\"",
                  "text 443 180 Arial/14/400 0x000000 \"Email : ann@example.com\"",
              }));
}

TEST_F(ViewTest, TraceOfThePrintedGeneralCard) {
    LoadPicture({600, 400}, {300, 200});
    doc.m_found = 1;
    card.m_title = "Sunset";
    card.m_description = "Over the bay\r\nat dusk";
    doc.m_page = PageGeneralCard;
    RecordingDC printer(true);
    view.OnDraw(printer);
    EXPECT_EQ(FormatTrace(printer.Calls()),
              (Lines{
                  "map isotropic 300 300 1000 1000",
                  "text 50 10 normal 0x000000 \"Filename : /images/sunset.jpg\"",
                  "line 50 30 950 30",
                  "text 50 50 bold 0xFF0000 \"General Card :\"",
                  "text 50 80 normal 0x000000 \"Title : Sunset\"",
                  "text 50 96 normal 0x000000 \"Description : \"",
                  "text 148 96 normal 0x000000 \"Over the bay\"",
                  "text 148 112 normal 0x000000 \"at dusk\"",
              }));
}

// The header's file name is the system's text (UTF-8); the card's bytes stay
// Windows-1252 on the same page.
TEST_F(ViewTest, PrintedFileNameIsUtf8AndCardTextWindows1252) {
    LoadPicture({600, 400}, {300, 200});
    doc.m_found = 1;
    card.m_title = "Caf\xE9";
    doc.m_page = PageGeneralCard;
    for (const std::string& folder : {std::string("jos\xC3\xA9"), std::string("jos\xE9")}) {
        doc.m_path = "/home/" + folder + "/pyrite.jpg";
        RecordingDC printer(true);
        view.OnDraw(printer);
        const Lines trace = FormatTrace(printer.Calls());
        ASSERT_GE(trace.size(), 5u);
        EXPECT_EQ(trace[1],
                  "text 50 10 normal 0x000000 \"Filename : /home/jos\xC3\xA9/pyrite.jpg\"");
        EXPECT_EQ(trace[4], "text 50 80 normal 0x000000 \"Title : Caf\xC3\xA9\"");
    }
}

}  // namespace
