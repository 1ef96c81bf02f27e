// tsn-dump over whole collections: directory walks, path lists, several workers and
// the progress line, checked against what one worker prints for the same images.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

#include "DumpProcess.h"
#include "app/Ctsn_viewerApp.h"
#include "card/Scrambler.h"
#include "cli/DirectoryWalk.h"
#include "cli/DumpOptions.h"
#include "cli/TsnDump.h"
#include "image/RealImagingBackend.h"
#include "support/ImageFixtures.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class TsnDumpScanTest : public ::testing::Test {
protected:
    DumpResult Run(const std::vector<std::string>& args, const std::string& input = {}) {
        return RunDump(args, m_config.path().string(), m_work.path().string(), input);
    }
    std::string Jpeg(const std::string& name, int width = 16, int height = 8) {
        const std::string path = m_work / name;
        fs::create_directories(fs::path(path).parent_path());
        const std::string card = ScrambleComment("tSN|gen|TIT" + name + "|end").value_or("");
        EXPECT_TRUE(fixtures::WriteJpegFile(path, width, height, {card, "plain " + name}));
        return path;
    }
    static std::vector<std::string> Paths(const std::string& jsonLines) {
        std::vector<std::string> paths;
        std::istringstream lines(jsonLines);
        for (std::string line; std::getline(lines, line);)
            paths.push_back(json::parse(line)["path"]);
        return paths;
    }
    static std::vector<std::string> With(std::vector<std::string> args,
                                         const std::vector<std::string>& more) {
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    ScratchDir m_config;
    ScratchDir m_work;
};

// Large pictures between small ones finish last, failures sit in the middle: the
// records, the error lines and the exit status still come as one worker gives them.
TEST_F(TsnDumpScanTest, SeveralWorkersPrintWhatOneWorkerPrints) {
    std::vector<std::string> images;
    for (int i = 0; i < 24; ++i) {
        const std::string name = "img" + std::to_string(100 + i);
        if (i % 7 == 3)
            images.push_back(m_work / (name + ".jpg"));  // missing
        else if (i % 7 == 5)
            images.push_back(Jpeg(name + ".gif"));  // unsupported
        else if (i % 5 == 0)
            images.push_back(Jpeg(name + ".jpg", 900, 700));  // slow
        else
            images.push_back(Jpeg(name + ".jpg"));
    }
    std::vector<std::uint8_t> cut = fixtures::MakeJpeg(64, 48);
    cut.resize(30);
    ASSERT_TRUE(fixtures::WriteBytesFile(m_work / "cut.jpg", cut));
    images.insert(images.begin() + 12, m_work / "cut.jpg");

    for (const std::vector<std::string>& mode :
         {std::vector<std::string>{"--json"}, {"--json", "--no-pixels"}, {}}) {
        SCOPED_TRACE(::testing::PrintToString(mode));
        const DumpResult one = Run(With(With(mode, {"-j", "1"}), images));
        EXPECT_EQ(one.exitCode, 1);
        EXPECT_EQ(std::count(one.err.begin(), one.err.end(), '\n'), 7) << one.err;
        for (const std::vector<std::string>& jobs :
             {std::vector<std::string>{"-j", "3"}, {"--jobs=8"}, {}}) {
            const DumpResult several = Run(With(With(mode, jobs), images));
            EXPECT_EQ(several.exitCode, one.exitCode);
            EXPECT_EQ(several.out, one.out);
            EXPECT_EQ(several.err, one.err);
        }
    }
    images.erase(std::remove_if(images.begin(), images.end(),
                                [](const std::string& p) {
                                    return !p.ends_with(".jpg") || !fs::exists(p) ||
                                           p.ends_with("cut.jpg");
                                }),
                 images.end());
    const DumpResult good = Run(With({"--json", "-j", "4"}, images));
    EXPECT_EQ(good.exitCode, 0) << good.err;
    EXPECT_EQ(Paths(good.out), images);
}

// Byte order of the full paths ('-' < '.' < '/' < 'B' < 'a'), only image extensions
// in any case, a directory with an image's name walked, links to directories (here
// one back up the tree) not followed.
TEST_F(TsnDumpScanTest, RecursiveWalkListsImagesInByteOrderOfTheirPaths) {
    const fs::path root = m_work.path() / "root";
    const std::vector<std::string> expected = {
        Jpeg("root/B.JPG"),         Jpeg("root/a-b.jpg"),          Jpeg("root/a.jpeg"),
        Jpeg("root/a/z.jpg"),       Jpeg("root/album.jpg/in.Png"), Jpeg("root/deep/er/x.PCX"),
        Jpeg("root/deep/er/y.tif"), Jpeg("root/deep/z.tiff"),      Jpeg("root/x.bmp"),
    };
    WriteText(root / "notes.txt", "not an image");
    WriteText(root / "deep" / "jpg", "no extension");
    fs::create_directory_symlink("..", root / "deep" / "up");
    fs::create_directory_symlink(root / "a", root / "link.jpg");

    DumpResult result = Run({"--json", "--no-pixels", "-r", root.string()});
    EXPECT_EQ(Paths(result.out), expected) << result.err;
    EXPECT_EQ(result.exitCode, 1);  // the mislabelled ones do not load

    // A trailing slash is not doubled; files given beside the directory are opened
    // whatever their names; without -r the directory is opened as a file.
    result = Run(
        {"--json", "--no-pixels", "--recursive", root.string() + "/", m_work / "root/notes.txt"});
    std::vector<std::string> paths = Paths(result.out);
    ASSERT_EQ(paths.size(), expected.size() + 1);
    EXPECT_EQ(paths[0], root.string() + "/B.JPG");
    EXPECT_EQ(paths.back(), m_work / "root/notes.txt");
    result = Run({"--json", root.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "tsn-dump: " + root.string() + ": Is a directory\n");
}

TEST_F(TsnDumpScanTest, UnreadableDirectoryIsReportedAndTheWalkGoesOn) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every directory";  // the vanishing-folder case still runs
    const std::string first = Jpeg("tree/a.jpg"), last = Jpeg("tree/c.jpg");
    Jpeg("tree/b/hidden.jpg");
    const fs::path locked = m_work.path() / "tree" / "b";
    fs::permissions(locked, fs::perms::none);
    const DumpResult result = Run({"--json", "-j", "2", "-r", m_work / "tree"});
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "tsn-dump: " + locked.string() + ": Permission denied\n");
    EXPECT_EQ(Paths(result.out), (std::vector<std::string>{first, last}));
}

// Without permissions to take away (root), a folder removed while the walk is under
// way fails to open the same way: the run is driven in-process, and the first image's
// load takes the folder away.
TEST_F(TsnDumpScanTest, FolderGoneDuringTheWalkIsReportedAndTheWalkGoesOn) {
    class NoSettings : public SettingsStore {
        int GetProfileInt(const std::string&, int value) override { return value; }
        void WriteProfileInt(const std::string&, int) override {}
        std::string GetProfileString(const std::string&, const std::string& value) override {
            return value;
        }
    };
    class RemovingBackend : public RealImagingBackend {
    public:
        explicit RemovingBackend(fs::path doomed) : m_doomed(std::move(doomed)) {}
        BlockHandle LoadJpeg(const std::string& path, int& width, int& height) override {
            fs::remove_all(m_doomed);
            return RealImagingBackend::LoadJpeg(path, width, height);
        }
        fs::path m_doomed;
    };
    const std::string first = Jpeg("tree/a.jpg"), last = Jpeg("tree/d.jpg");
    Jpeg("tree/b/x.jpg");
    const fs::path doomed = m_work.path() / "tree" / "b";
    NoSettings settings;
    std::ostringstream out, err;
    DumpEnvironment env{settings, [&] { return std::make_unique<RemovingBackend>(doomed); }, out,
                        err};
    EXPECT_EQ(RunTsnDump({"--json", "-j", "1", "-r", m_work / "tree"}, env), 1);
    EXPECT_EQ(err.str(), "tsn-dump: " + doomed.string() + ": No such file or directory\n");
    EXPECT_EQ(Paths(out.str()), (std::vector<std::string>{first, last}));
}

// Names with spaces, newlines and bytes that are not UTF-8 come through a NUL-separated
// list as they do as arguments; list entries follow the command line's.
TEST_F(TsnDumpScanTest, NullSeparatedListCarriesAnyName) {
    const std::vector<std::string> names = {Jpeg("with space.jpg"), Jpeg("new\nline.jpg"),
                                            Jpeg("bytes \xFF\xFE\x81.jpg")};
    const std::string first = Jpeg("first.jpg");
    std::string list;
    for (const std::string& name : names)
        list += name + '\0';
    const DumpResult listed = Run({"--json", first, "--files-from", "-", "-0"}, list);
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    const DumpResult given = Run(With({"--json", "-j", "1", first}, names));
    EXPECT_EQ(listed.out, given.out);
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 4);

    // One a line from a file, the last line without its newline; empty lines name nothing.
    WriteText(m_work.path() / "list", names[0] + "\n\n" + first);
    const DumpResult lines = Run({"--json", "--files-from", m_work / "list"});
    EXPECT_EQ(lines.exitCode, 0) << lines.err;
    EXPECT_EQ(Paths(lines.out).size(), 2u);
}

TEST_F(TsnDumpScanTest, ScanOptionUsageErrors) {
    const std::string image = Jpeg("u.jpg");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-j", "0", image},
             {"--jobs", "two", image},
             {"-j"},
             {"-0", image},
             {"--files-from"},
             {"--files-from", m_work / "no-such-list"},
             {"--files-from", m_work.path().string()},  // opens, but cannot be read
             {"--trace", "general", "-r", image},
             {"--ppm", m_work / "a.ppm", "--files-from", "-"},
         }) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const DumpResult result = Run(args);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(result.err.starts_with("tsn-dump: ")) << result.err;
    }
    EXPECT_NE(Run({"--help"}).out.find("--files-from"), std::string::npos);
}

// One cap for every worker count: asked for, or one per processor.
TEST_F(TsnDumpScanTest, WorkerCountsShareOneCap) {
    EXPECT_EQ(DumpWorkers(std::nullopt, 8), 8);
    EXPECT_EQ(DumpWorkers(std::nullopt, 0), 1);
    EXPECT_EQ(DumpWorkers(std::nullopt, 4096), kMostJobs);
    EXPECT_EQ(DumpWorkers(3, 64), 3);
    EXPECT_EQ(DumpWorkers(100000, 2), kMostJobs);
    const std::string image = Jpeg("many.jpg");
    const DumpResult result = Run({"--json", "-j", "100000", image, image});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Paths(result.out), (std::vector<std::string>{image, image}));
}

// The progress line goes to standard error only when that is a terminal, and the
// records on standard output are the same with or without it.
TEST_F(TsnDumpScanTest, ProgressOnlyOnATerminalAndNeverOnStandardOutput) {
    const std::vector<std::string> images = {Jpeg("p1.jpg"), m_work / "gone.jpg", Jpeg("p3.jpg")};
    const DumpResult plain = Run(With({"--json"}, images));
    const DumpResult notTerminal = Run(With({"--json", "--progress"}, images));
    EXPECT_EQ(notTerminal.out, plain.out);
    EXPECT_EQ(notTerminal.err, plain.err);

    const DumpResult shown = RunDumpOnTerminal(With({"--json", "--progress", "-j", "2"}, images),
                                               m_config.path().string(), m_work.path().string());
    EXPECT_EQ(shown.exitCode, 1);
    EXPECT_EQ(shown.out, plain.out);
    EXPECT_NE(shown.err.find("\r\x1B[K3/3 images"), std::string::npos) << shown.err;
    EXPECT_NE(shown.err.find("gone.jpg: No such file or directory"), std::string::npos);
    EXPECT_EQ(shown.err.find("p1.jpg"), std::string::npos);

    const DumpResult walked = RunDumpOnTerminal({"--json", "--progress", "-r", m_work.path()},
                                                m_config.path().string(), m_work.path().string());
    EXPECT_NE(walked.err.find("2 images, "), std::string::npos) << walked.err;
}

TEST(DirectoryWalkTest, ImageExtensionsInAnyCase) {
    for (const char* name : {"a.bmp", "a.JPG", "a.jpeg", "a.Tif", "a.tiff", "a.pcx", "a.PNG"})
        EXPECT_TRUE(HasImageExtension(name)) << name;
    for (const char* name : {"a.gif", "jpg", "a.jpg.txt", "a.pngx", ".jp"})
        EXPECT_FALSE(HasImageExtension(name)) << name;
}

}  // namespace
