// The open pipeline on real files authored here: card comments scrambled and
// written into JPEG, PNG, BMP, TIFF and PCX files in a temporary directory.

#include "doc/Ctsn_viewerDoc.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "card/Scrambler.h"
#include "image/ByteSource.h"
#include "image/RealImagingBackend.h"
#include "support/ImageFixtures.h"
#include "support/RasterFixtures.h"

namespace {

namespace fs = std::filesystem;

class RecordingNotifier : public DocumentNotifier {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

// The real backend, counting the resamples the document asks for.
class CountingBackend : public RealImagingBackend {
public:
    BlockHandle Resample(const std::uint8_t* pixels, int width, int height, int newWidth,
                         int newHeight) override {
        ++resamples;
        return RealImagingBackend::Resample(pixels, width, height, newWidth, newHeight);
    }
    int resamples = 0;
};

std::string Card(const std::string& plain) {
    std::optional<std::string> scrambled = ScrambleComment(plain);
    EXPECT_TRUE(scrambled) << plain;
    return scrambled.value_or("");
}

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tsn-doc-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_app.m_previewType = 0;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    std::string Jpeg(const std::string& name, const std::vector<std::string>& comments,
                     int width = 8, int height = 6) {
        const std::string path = Path(name);
        EXPECT_TRUE(fixtures::WriteJpegFile(path, width, height, comments));
        return path;
    }

    std::string Raster(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = Path(name);
        EXPECT_TRUE(fixtures::WriteFile(path, bytes));
        return path;
    }

    Ctsn_viewerDoc& Doc() {
        if (!m_doc)
            m_doc = std::make_unique<Ctsn_viewerDoc>(m_app, m_backend, m_notifier);
        return *m_doc;
    }

    fs::path m_dir;
    Ctsn_viewerApp m_app;
    CountingBackend m_backend;
    RecordingNotifier m_notifier;
    std::unique_ptr<Ctsn_viewerDoc> m_doc;
};

TEST_F(DocumentTest, LaterCardCommentOverwritesOnlyWhatItNames) {
    const std::string path = Jpeg("two.jpg", {Card("tSN|gen|TITFirst|LDEKept from the first|end"),
                                              "plain words", Card("tSN|gen|TITSecond|end")});
    ASSERT_TRUE(Doc().OnOpenDocument(path));
    EXPECT_EQ(Doc().m_loadResult, 0);
    EXPECT_EQ(Doc().m_found, 1);
    EXPECT_EQ(Doc().m_card.m_title, "Second");
    EXPECT_EQ(Doc().m_card.m_description, "Kept from the first");
    EXPECT_TRUE(m_notifier.messages.empty());
    EXPECT_EQ(Doc().m_refreshPending, 1);
}

TEST_F(DocumentTest, OnlyTheExactCaseSensitiveMarkCounts) {
    struct Case {
        const char* name;
        std::string comment;
        int found;
    };
    const Case cases[] = {
        {"lower case mark is no card", "tsn" + Card("tSN|gen|TITx|end").substr(3), 0},
        {"upper case mark is no card", "TSN" + Card("tSN|gen|TITx|end").substr(3), 0},
        {"two characters never qualify", "tS", 0},
        {"the bare mark is a card", "tSN", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_notifier.messages.clear();
        ASSERT_TRUE(Doc().OnOpenDocument(Jpeg("mark.jpg", {c.comment})));
        EXPECT_EQ(Doc().m_found, c.found);
        EXPECT_EQ(Doc().m_card.m_hasGeneral, 0);
        const std::vector<std::string> expected =
            c.found ? std::vector<std::string>{} : std::vector<std::string>{kNoCardsMessage};
        EXPECT_EQ(m_notifier.messages, expected);
    }
}

TEST_F(DocumentTest, PngTextEntriesCarryCards) {
    const std::string path = Path("card.png");
    ASSERT_TRUE(fixtures::WritePngFile(
        path, 4, 3, {{fixtures::PngTextKind::kText, "Comment", Card("tSN|cpr|CST1|HLDAnn|end")}}));
    ASSERT_TRUE(Doc().OnOpenDocument(path));
    EXPECT_EQ(Doc().m_found, 1);
    EXPECT_EQ(Doc().m_card.m_hasCopyright, 1);
    EXPECT_EQ(Doc().m_card.m_copyrightStatus, 1);
    EXPECT_EQ(Doc().m_card.m_holder, "Ann");
}

TEST_F(DocumentTest, CollectionCodesResolveThroughTheApplicationsDefinitions) {
    auto def = std::make_unique<ColDef>();
    def->SetCode("MIN");
    def->SetName("Minerals");
    def->AddField();
    def->SetFieldCode(0, "NAM");
    def->SetFieldLabel(0, "Mineral");
    m_app.m_colDefs.push_back(std::move(def));
    ASSERT_TRUE(Doc().OnOpenDocument(Jpeg("col.jpg", {Card("tSN|col|CTYMIN|NAMPyrite|end")})));
    EXPECT_EQ(Doc().m_card.m_collectionName, "Minerals");
    EXPECT_EQ(Doc().m_card.m_fieldLabels, std::vector<std::string>{"Mineral"});
    EXPECT_EQ(Doc().m_card.m_fieldValues, std::vector<std::string>{"Pyrite"});
}

TEST_F(DocumentTest, FormatsWithoutCommentsAlwaysShowTheNotice) {
    const fixtures::RasterPicture picture = fixtures::MakeTestPicture(5, 4);
    const std::pair<const char*, std::vector<std::uint8_t>> files[] = {
        {"p.bmp", fixtures::MakeBmp(picture)},
        {"p.tif", fixtures::MakeTiff(picture)},
        {"p.pcx", fixtures::MakePcx(picture)},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        m_notifier.messages.clear();
        ASSERT_TRUE(Doc().OnOpenDocument(Raster(name, bytes)));
        EXPECT_EQ(Doc().m_loadResult, 0);
        EXPECT_EQ(Doc().m_found, 0);
        EXPECT_EQ(Doc().m_imageSize, (Size{5, 4}));
        EXPECT_EQ(m_notifier.messages, std::vector<std::string>{kNoCardsMessage});
    }
}

struct PreviewCase {
    const char* name;
    int previewType;
    int width, height;
    Size preview;   // the document's preview size
    Size held;      // the picture as held afterwards
    int resamples;  // resamples requested
};

class PreviewSizingTest : public DocumentTest, public ::testing::WithParamInterface<PreviewCase> {};

TEST_P(PreviewSizingTest, SizesThePictureByThePreference) {
    const PreviewCase& c = GetParam();
    m_app.m_previewType = c.previewType;
    m_app.m_prevSizeX = m_app.m_prevSizeY = 300;
    ASSERT_TRUE(Doc().OnOpenDocument(Jpeg("p.jpg", {"tSN"}, c.width, c.height)));
    EXPECT_EQ(Doc().m_imageSize, (Size{c.width, c.height}));
    EXPECT_EQ(Doc().m_previewSize, c.preview);
    EXPECT_EQ((Size{Doc().m_image.m_width, Doc().m_image.m_height}), c.held);
    EXPECT_EQ(Doc().m_image.HeldSize(), c.held);
    EXPECT_EQ(m_backend.resamples, c.resamples);
}

INSTANTIATE_TEST_SUITE_P(
    Doc, PreviewSizingTest,
    ::testing::Values(
        // Shrunk as the rows come: no resample after the load.
        PreviewCase{"HalfTruncatesOddSides", 1, 101, 75, {50, 37}, {50, 37}, 0},
        PreviewCase{
            "LimitedKeepsAFittingPictureButResamples", 2, 200, 100, {200, 100}, {200, 100}, 1},
        // Decoded at half scale, which is the preview size already.
        PreviewCase{"LimitedShrinksTheWideSide", 2, 600, 300, {300, 150}, {300, 150}, 0},
        PreviewCase{"LimitedShrinksBelowTheDecodeScale", 2, 900, 300, {300, 100}, {300, 100}, 0},
        PreviewCase{"FullLeavesThePicture", 0, 40, 30, {40, 30}, {40, 30}, 0},
        PreviewCase{"UnknownTypeActsAsFull", 7, 40, 30, {40, 30}, {40, 30}, 0},
        // Half of one pixel is nothing: the resample is refused, the picture stays.
        PreviewCase{"HalfOfOnePixelKeepsThePicture", 1, 1, 1, {0, 0}, {1, 1}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DocumentTest, ASecondOpenStartsAfresh) {
    ASSERT_TRUE(Doc().OnOpenDocument(Jpeg("a.jpg", {Card("tSN|gen|TITFirst|end")})));
    Doc().m_page = PageGeneralCard;
    Doc().m_refreshPending = 0;
    ASSERT_TRUE(Doc().OnOpenDocument(Jpeg("b.jpg", {"no card"})));
    EXPECT_EQ(Doc().m_page, PageNone);
    EXPECT_EQ(Doc().m_found, 0);
    EXPECT_EQ(Doc().m_card.m_hasGeneral, 0);
    EXPECT_EQ(Doc().m_card.m_title, "");
    EXPECT_EQ(Doc().m_path, Path("b.jpg"));
    EXPECT_EQ(Doc().m_refreshPending, 1);
}

// The note on a picture that loaded but not whole lasts until the next file opens.
TEST_F(DocumentTest, DamageNoteBelongsToTheFileOpen) {
    const std::vector<std::uint8_t> whole = fixtures::MakeBmp(fixtures::MakeTestPicture(20, 10));
    const std::string good = Raster("good.bmp", whole);
    const std::string cut = Raster(
        "cut.bmp",
        std::vector<std::uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() / 2)));
    ASSERT_TRUE(Doc().OnOpenDocument(cut));
    EXPECT_EQ(Doc().m_loadResult, 0);
    EXPECT_NE(Doc().m_damage.find(" of 10"), std::string::npos) << Doc().m_damage;
    EXPECT_EQ(Doc().m_loadFailure, "");
    ASSERT_TRUE(Doc().OnOpenDocument(good));
    EXPECT_EQ(Doc().m_damage, "");
    ASSERT_TRUE(Doc().OnOpenDocument(cut));
    ASSERT_TRUE(Doc().OnOpenDocument(Raster("garbage.bmp", {'B', 'M', 1, 2, 3})));
    EXPECT_NE(Doc().m_loadResult, 0);
    EXPECT_EQ(Doc().m_damage, "");
    EXPECT_NE(Doc().m_loadFailure, "");
}

// Bytes read by the caller give what the file gives, comments after the pixels
// included; the file they name is never read (here it does not exist).
TEST_F(DocumentTest, OpeningBytesGivesTheRecordTheFileGives) {
    const std::string after = Card("tSN|gen|TITAfter the pixels|end");
    std::vector<std::uint8_t> jpeg = fixtures::MakeJpeg(16, 16, {Card("tSN|gen|TITBefore|end")});
    std::vector<std::uint8_t> comment{0xFF, 0xFE, std::uint8_t((after.size() + 2) >> 8),
                                      std::uint8_t((after.size() + 2) & 0xFF)};
    comment.insert(comment.end(), after.begin(), after.end());
    jpeg.insert(jpeg.end() - 2, comment.begin(), comment.end());  // before EOI
    const std::vector<std::uint8_t> png =
        fixtures::MakePng(4, 3, {}, {{fixtures::PngTextKind::kText, "Comment", after}});
    std::vector<std::uint8_t> broken = jpeg;
    broken.resize(20);
    for (const auto& [name, bytes] :
         {std::pair{"a.jpg", jpeg}, {"a.png", png}, {"b.jpg", broken}}) {
        SCOPED_TRACE(name);
        Ctsn_viewerDoc fromFile(m_app, m_backend, m_notifier);
        ASSERT_TRUE(fromFile.OnOpenDocument(Raster(name, bytes)));
        SpanSource source(bytes.data(), bytes.size());
        Doc().OpenFileBytes(Path(std::string("absent-") + name), source);
        EXPECT_EQ(Doc().m_loadResult, fromFile.m_loadResult);
        EXPECT_EQ(Doc().m_loadFailure, fromFile.m_loadFailure);
        EXPECT_EQ(Doc().m_found, fromFile.m_found);
        EXPECT_EQ(Doc().m_card.m_title, fromFile.m_card.m_title);
        EXPECT_EQ(Doc().m_imageSize, fromFile.m_imageSize);
    }
    EXPECT_EQ(Doc().m_card.m_title, "");
    SpanSource source(jpeg.data(), jpeg.size());
    Doc().OpenFileBytes(Path("absent.jpg"), source);
    EXPECT_EQ(Doc().m_card.m_title, "After the pixels");
}

TEST_F(DocumentTest, UnopenablePathsChangeNothing) {
    const std::string shown = Jpeg("shown.jpg", {Card("tSN|gen|TITShown|end")}, 10, 8);
    fs::create_directory(m_dir / "folder.jpg");
    ASSERT_TRUE(Doc().OnOpenDocument(shown));
    Doc().m_page = PageGeneralCard;
    for (const std::string& path : {Path("missing.jpg"), Path("folder.jpg"), std::string()}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(Doc().OnOpenDocument(path));
        EXPECT_EQ(Doc().m_path, shown);
        EXPECT_EQ(Doc().m_page, PageGeneralCard);
        EXPECT_EQ(Doc().m_card.m_title, "Shown");
        EXPECT_TRUE(Doc().m_image.HasImage());
        EXPECT_EQ(Doc().m_imageSize, (Size{10, 8}));
    }
}

TEST_F(DocumentTest, UnreadableFileChangesNothing) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    const std::string locked = Jpeg("locked.jpg", {"tSN"});
    fs::permissions(locked, fs::perms::none);
    EXPECT_FALSE(Doc().OnOpenDocument(locked));
    EXPECT_EQ(Doc().m_loadResult, -1);
    EXPECT_EQ(Doc().m_path, "");
}

TEST_F(DocumentTest, FailedLoadsLeaveDefaultsAndNoNotice) {
    const std::string unsupported = Raster("picture.gif", {'G', 'I', 'F', '8', '9', 'a'});
    std::vector<std::uint8_t> jpeg = fixtures::MakeJpeg(16, 16, {"tSN"});
    jpeg.resize(20);
    const std::string broken = Raster("broken.jpg", jpeg);
    for (const std::string& path : {unsupported, broken}) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(Doc().OnOpenDocument(path));
        EXPECT_NE(Doc().m_loadResult, 0);
        EXPECT_EQ(Doc().m_found, 0);
        EXPECT_EQ(Doc().m_imageSize, (Size{0, 0}));
        EXPECT_EQ(Doc().m_previewSize, (Size{0, 0}));
        EXPECT_EQ(Doc().m_path, path);
        EXPECT_EQ(Doc().m_refreshPending, 1);
        EXPECT_TRUE(m_notifier.messages.empty());
    }
    ASSERT_TRUE(Doc().OnOpenDocument(unsupported));
    EXPECT_EQ(Doc().m_loadResult, ImageFile::kNotLoaded);
}

}  // namespace
