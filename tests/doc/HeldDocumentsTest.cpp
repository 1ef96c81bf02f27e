// Documents opened ahead and held: the same document File > Open gives once taken
// over, given out only while their file and the preferences are unchanged, and
// never more than the memory and the count allow.

#include "doc/HeldDocuments.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "card/Scrambler.h"
#include "doc/FileIdentity.h"
#include "image/RealImagingBackend.h"
#include "support/ImageFixtures.h"

namespace {

namespace fs = std::filesystem;

class Recorder : public DocumentNotifier {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

class HeldDocumentsTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tsn-held-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Jpeg(const std::string& name, const std::string& plainCard = "", int width = 40,
                     int height = 30) {
        std::vector<std::string> comments = {"an ordinary comment"};
        if (!plainCard.empty())
            comments.insert(comments.begin(), ScrambleComment(plainCard).value_or(""));
        const std::string path = (m_dir / name).string();
        EXPECT_TRUE(fixtures::WriteJpegFile(path, width, height, comments));
        return path;
    }

    std::unique_ptr<PreparedDocument> Prepared(const std::string& path, double ratio = 1.0) {
        auto document = std::make_unique<PreparedDocument>(CopyOfAppState(m_app), ratio,
                                                           std::make_unique<RealImagingBackend>());
        EXPECT_TRUE(document->Open(path));
        return document;
    }

    OpenPreferences Now(double ratio = 1.0) const { return OpenPreferencesOf(m_app, ratio); }

    fs::path m_dir;
    Ctsn_viewerApp m_app;
};

TEST_F(HeldDocumentsTest, TakenOverItIsTheDocumentFileOpenGives) {
    const std::string withCard = Jpeg("card.jpg", "tSN|gen|TITPyrite|end", 41, 31);
    const std::string without = Jpeg("plain.jpg");
    for (const std::string& path : {withCard, without}) {
        RealImagingBackend backend;
        Recorder notices;
        Ctsn_viewerDoc opened(m_app, backend, notices);
        ASSERT_TRUE(opened.OnOpenDocument(path));

        std::unique_ptr<PreparedDocument> prepared = Prepared(path);
        EXPECT_EQ(prepared->Notices(), notices.messages);
        Recorder none;
        Ctsn_viewerDoc shown(m_app, backend, none);
        shown.m_page = PageGeneralCard;
        shown.TakeOpened(prepared->Document());
        EXPECT_TRUE(none.messages.empty());  // the notices are the caller's to show

        EXPECT_EQ(shown.m_path, opened.m_path);
        EXPECT_EQ(shown.m_page, PageNone);
        EXPECT_EQ(shown.m_refreshPending, 1);
        EXPECT_EQ(shown.m_loadResult, opened.m_loadResult);
        EXPECT_EQ(shown.m_found, opened.m_found);
        EXPECT_EQ(shown.m_card.m_title, opened.m_card.m_title);
        EXPECT_EQ(shown.m_imageSize, opened.m_imageSize);
        EXPECT_EQ(shown.m_previewSize, opened.m_previewSize);
        EXPECT_EQ(shown.m_image.m_comments, opened.m_image.m_comments);
        ASSERT_EQ(shown.m_image.HeldSize(), opened.m_image.HeldSize());
        const Size held = shown.m_image.HeldSize();
        EXPECT_EQ(0, std::memcmp(shown.m_image.Picture().pixels, opened.m_image.Picture().pixels,
                                 std::size_t(held.cx) * held.cy * kPictureBytesPerPixel));
        EXPECT_FALSE(prepared->Document().m_image.HasImage());
    }
}

TEST_F(HeldDocumentsTest, AHeldDocumentIsGivenOutOnce) {
    const std::string path = Jpeg("a.jpg");
    HeldDocuments held;
    ASSERT_TRUE(held.Keep(Prepared(path)));
    EXPECT_TRUE(held.Holds(path));
    EXPECT_NE(held.Take(path, Now()), nullptr);
    EXPECT_FALSE(held.Holds(path));
    EXPECT_EQ(held.Take(path, Now()), nullptr);
}

TEST_F(HeldDocumentsTest, ADocumentWhoseFileChangedIsDropped) {
    const std::string rewritten = Jpeg("rewritten.jpg");
    const std::string replaced = Jpeg("replaced.jpg");
    const std::string touched = Jpeg("touched.jpg");
    HeldDocuments held(HeldDocuments::DefaultBudget());
    std::vector<std::unique_ptr<PreparedDocument>> documents;
    for (const std::string& path : {rewritten, replaced, touched})
        documents.push_back(Prepared(path));

    Jpeg("rewritten.jpg", "", 50, 30);  // another size
    // Another file moved in under the name: another inode, whatever its size.
    const std::string other = Jpeg("other.jpg");
    fs::rename(other, replaced);
    const std::optional<FileIdentity> before = ReadFileIdentity(touched);
    ASSERT_TRUE(before);
    struct timespec times[2] = {{0, UTIME_OMIT}, {before->modifiedSeconds + 5, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, touched.c_str(), times, 0), 0);

    for (auto& document : documents) {
        const std::string path = document->Path();
        ASSERT_TRUE(held.Keep(std::move(document)));
        EXPECT_EQ(held.Take(path, Now()), nullptr) << path;
        EXPECT_FALSE(held.Holds(path));
    }
}

TEST_F(HeldDocumentsTest, ADocumentMadeUnderOtherPreferencesIsDropped) {
    const std::string path = Jpeg("a.jpg");
    HeldDocuments held;
    ASSERT_TRUE(held.Keep(Prepared(path)));
    EXPECT_EQ(held.Take(path, Now(2.0)), nullptr);  // another screen ratio
    ASSERT_TRUE(held.Keep(Prepared(path)));
    m_app.m_previewType = 0;
    EXPECT_EQ(held.Take(path, Now()), nullptr);
    ASSERT_TRUE(held.Keep(Prepared(path)));
    held.KeepOnly({path}, Now(2.0));
    EXPECT_FALSE(held.Holds(path));
}

TEST_F(HeldDocumentsTest, AtMostTwoAreHeldNoneOverTheBudget) {
    const std::string a = Jpeg("a.jpg");
    const std::string b = Jpeg("b.jpg");
    const std::string c = Jpeg("c.jpg");
    HeldDocuments held;
    for (const std::string& path : {a, b, c})
        ASSERT_TRUE(held.Keep(Prepared(path)));
    EXPECT_EQ(held.Count(), HeldDocuments::kMaxHeld);
    EXPECT_FALSE(held.Holds(a));  // the oldest went
    held.KeepOnly({c}, Now());
    EXPECT_EQ(held.Count(), 1u);

    // Half size: 20 x 15 pixels of 4 bytes.
    const std::size_t bytes = 20 * 15 * kPictureBytesPerPixel;
    EXPECT_EQ(Prepared(a)->HeldBytes(), bytes);
    HeldDocuments tight(bytes - 1);
    EXPECT_FALSE(tight.Keep(Prepared(a)));
    EXPECT_EQ(tight.Count(), 0u);
    EXPECT_TRUE(HeldDocuments(bytes).Keep(Prepared(a)));
    EXPECT_LE(HeldDocuments::DefaultBudget(), std::size_t(256) << 20);
}

TEST_F(HeldDocumentsTest, APictureTooLargeToHoldIsNotDecoded) {
    const std::string path = Jpeg("a.jpg", "", 40, 30);
    // Half size on a screen of ratio 2: 40 x 30 pixels of 4 bytes.
    const std::size_t bytes = 40 * 30 * kPictureBytesPerPixel;
    PreparedDocument tooLarge(CopyOfAppState(m_app), 2.0, std::make_unique<RealImagingBackend>());
    EXPECT_FALSE(tooLarge.Open(path, bytes - 1));
    EXPECT_FALSE(tooLarge.Document().m_image.HasImage());
    EXPECT_TRUE(tooLarge.Notices().empty());
    PreparedDocument fits(CopyOfAppState(m_app), 2.0, std::make_unique<RealImagingBackend>());
    ASSERT_TRUE(fits.Open(path, bytes));
    EXPECT_EQ(fits.HeldBytes(), bytes);
    EXPECT_EQ(fits.Notices(), std::vector<std::string>{kNoCardsMessage});
}

TEST_F(HeldDocumentsTest, AFileThatCannotBeReadIsNotOpened) {
    PreparedDocument document(CopyOfAppState(m_app), 1.0, std::make_unique<RealImagingBackend>());
    EXPECT_FALSE(document.Open((m_dir / "gone.jpg").string()));
    EXPECT_FALSE(document.StillMatches(Now()));
}

}  // namespace
