// The quick draft of a JPEG: decoded at the codec's smallest scale, sized as the
// full picture will be shown; nothing for other formats.

#include "doc/DraftPicture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "image/RealImagingBackend.h"
#include "support/ImageFixtures.h"

namespace {

namespace fs = std::filesystem;

class DraftPictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tsn-draft-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
    RealImagingBackend m_backend;
};

TEST_F(DraftPictureTest, AJpegIsDecodedAtAnEighthAndShownAtThePreviewSize) {
    const std::string path = Path("big.JPG");
    ASSERT_TRUE(fixtures::WriteJpegFile(path, 640, 480));
    DraftPicture draft(m_backend);
    for (const auto& [type, shown] :
         {std::pair{0, Size{640, 480}}, {1, Size{320, 240}}, {2, Size{300, 225}}}) {
        ASSERT_TRUE(draft.Load(path, OpenPreferences{type, 300, 300, 2.0}));
        EXPECT_EQ(draft.ShownSize(), shown) << type;
        EXPECT_EQ(draft.Picture().width, 80);
        EXPECT_EQ(draft.Picture().height, 60);
        EXPECT_NE(draft.Picture().pixels, nullptr);
    }
}

TEST_F(DraftPictureTest, NoDraftOfOtherFormatsOrOfWhatIsNotAPicture) {
    const std::string png = Path("a.png");
    ASSERT_TRUE(fixtures::WritePngFile(png, 64, 48));
    const std::string broken = Path("broken.jpg");
    ASSERT_TRUE(fixtures::WriteBytesFile(broken, {0xFF, 0xD8, 0x00}));
    DraftPicture draft(m_backend);
    for (const std::string& path : {png, broken, Path("gone.jpg")}) {
        EXPECT_FALSE(draft.Load(path, OpenPreferences{}));
        EXPECT_EQ(draft.Picture().pixels, nullptr);
        EXPECT_EQ(draft.ShownSize(), Size{});
    }
}

}  // namespace
