#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "image/FileBytes.h"

namespace {

namespace fs = std::filesystem;

class FileBytesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              ("filebytes_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir / "locked", fs::perms::owner_all, ec);
        fs::remove_all(dir, ec);
    }
    std::string Write(const std::string& name, const std::string& content) {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    fs::path dir;
};

TEST_F(FileBytesTest, ReadsWholeFileWithNulBytes) {
    const std::string content(
        "ab\0\xff"
        "cd",
        6);
    const OpenedSource file = OpenImageSource(Write("a.bin", content));
    ASSERT_EQ(file.failure, LoadFailure::kNone);
    ASSERT_TRUE(file.source);
    ASSERT_EQ(file.source->Size(), content.size());
    std::string read(content.size(), '\0');
    ASSERT_TRUE(file.source->ReadAt(0, read.size(), reinterpret_cast<std::uint8_t*>(read.data())));
    EXPECT_EQ(read, content);
    const std::uint8_t* view = file.source->View(2, 4);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(view), 4), content.substr(2));
    EXPECT_EQ(file.source->View(3, 4), nullptr);  // past the end
    EXPECT_TRUE(file.error.empty());
}

// What cannot be read is refused with a reason, never a crash or a hang.
TEST_F(FileBytesTest, RefusesWhatIsNotAReadableFile) {
    const std::string paths[] = {(dir / "missing.jpg").string(), dir.string(), "/dev/null",
                                 (dir / "missing" / "deeper.png").string(), ""};
    for (const std::string& path : paths) {
        const OpenedSource file = OpenImageSource(path);
        EXPECT_EQ(file.failure, LoadFailure::kUnreadable) << path;
        EXPECT_FALSE(file.source) << path;
        EXPECT_FALSE(file.error.empty()) << path;
        EXPECT_EQ(file.error.find('\n'), std::string::npos) << path;
    }
}

TEST_F(FileBytesTest, RefusesFileWithoutReadPermission) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    const std::string path = Write("locked", "data");
    fs::permissions(path, fs::perms::none);
    const OpenedSource file = OpenImageSource(path);
    EXPECT_EQ(file.failure, LoadFailure::kUnreadable);
    EXPECT_FALSE(file.error.empty());
}

}  // namespace
