// tsn-dump end to end: the built program on files authored here, with its own
// settings directory, checked against its command-line contract.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>

#include "DumpProcess.h"
#include "card/Scrambler.h"
#include "platform/Win1252.h"
#include "support/ImageFixtures.h"
#include "support/RasterFixtures.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string Card(const std::string& plain) {
    std::optional<std::string> scrambled = ScrambleComment(plain);
    EXPECT_TRUE(scrambled) << plain;
    return scrambled.value_or("");
}

const std::string kFullCard =
    "tSN|SPV0102|DCR24122025|CNAAuthor X|CVE0207"
    "|gen|TITTitle \x80 \x81|LDELine one\r\nLine two"
    "|bca|LAY7|NAMNa\"me|STAStreet 1\r\nTown|PHO123|FAX456|URLu.example|EMAa@b.example"
    "|MSGC:\\bin\tx"
    "|col|CTYMIN|NAMPyrite|LOCSomewhere|ZZZignored"
    "|cpr|CST1|CREcred|HLDhold|end";
const std::string kControlComment = "ctl \x01\x08\x0C\x1F end";
const std::string kDefinitions = "{ MIN Minerals\nNAM Mineral\nLOC Locality\nHAR Hardness\n}\n";

class TsnDumpTest : public ::testing::Test {
protected:
    DumpResult Run(const std::vector<std::string>& args) {
        return RunDump(args, m_config.path().string(), m_work.path().string());
    }
    std::string Jpeg(const std::string& name, const std::vector<std::string>& comments,
                     int width = 20, int height = 10) {
        const std::string path = m_work / name;
        EXPECT_TRUE(fixtures::WriteJpegFile(path, width, height, comments));
        return path;
    }
    void StoreSettings(const std::string& general) {
        WriteText(m_config.path() / "Tessellon" / "tsn_viewer.conf", "[General]\n" + general);
    }
    static json OnlyRecord(const DumpResult& result) {
        EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1) << result.out;
        return json::parse(result.out);
    }

    ScratchDir m_config;
    ScratchDir m_work;
};

TEST_F(TsnDumpTest, JsonRecordOfAFullCardImage) {
    WriteText(m_work.path() / "defs" / "official_collection.def", kDefinitions);
    const std::string path = Jpeg("full.jpg", {Card(kFullCard), kControlComment});
    const DumpResult result =
        Run({"--json", "--defs-dir", m_work / "defs", "--preview", "half", path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const json record = OnlyRecord(result);

    const json expected = {
        {"path", path},
        {"error", nullptr},
        {"load_result", 0},
        {"found", true},
        {"format", "jpeg"},
        {"damage", nullptr},
        {"image_size", {20, 10}},
        {"preview_size", {10, 5}},
        {"protocol",
         {{"revision", "0102"},
          {"creation_date", "24122025"},
          {"creator_name", "Author X"},
          {"creator_version", "0207"}}},
        {"general",
         {{"present", true},
          {"title", "Title \xE2\x82\xAC \xC2\x81"},
          {"description", "Line one\r\nLine two"}}},
        {"business",
         {{"present", true},
          {"layout", 7},
          {"name", "Na\"me"},
          {"street", "Street 1\r\nTown"},
          {"phone", "123"},
          {"fax", "456"},
          {"url", "u.example"},
          {"email", "a@b.example"},
          {"message", "C:\\bin\tx"}}},
        {"collection",
         {{"present", true},
          {"code", "MIN"},
          {"name", "Minerals"},
          {"labels", {"Mineral", "Locality", "Hardness"}},
          {"values", {"Pyrite", "Somewhere", ""}}}},
        {"copyright", {{"present", true}, {"status", 1}, {"credits", "cred"}, {"holder", "hold"}}},
        {"comments", {Win1252ToUtf8(Card(kFullCard)), kControlComment}},
    };
    EXPECT_EQ(record, expected) << record.dump(2);
}

TEST_F(TsnDumpTest, StringsUseOnlyTheContractsEscapes) {
    const std::string path = Jpeg("esc.jpg", {kControlComment, "C:\\bin \\f"});
    const DumpResult result = Run({"--json", path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find(R"("ctl \u0001\u0008\u000c\u001f end")"), std::string::npos)
        << result.out;
    // A backslash before b or f in the text is an escaped backslash, not \b or \f.
    EXPECT_NE(result.out.find(R"("C:\\bin \\f")"), std::string::npos) << result.out;
}

TEST_F(TsnDumpTest, ARecordAtDefaultsForEveryFileThatCannotBeRead) {
    fs::create_directory(m_work.path() / "folder.jpg");
    const std::string good = Jpeg("good.jpg", {"plain"});
    const std::string missing = m_work / "missing.jpg";
    const std::string folder = m_work / "folder.jpg";
    const DumpResult result = Run({"--json", missing, good, folder});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "tsn-dump: " + missing + ": No such file or directory\n" +
                              "tsn-dump: " + folder + ": Is a directory\n");

    std::vector<json> records;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);)
        records.push_back(json::parse(line));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1]["path"], good);
    EXPECT_EQ(records[1]["error"], nullptr);
    for (int i : {0, 2}) {
        const json& r = records[i];
        EXPECT_TRUE(r["error"].is_string());
        EXPECT_EQ(r["load_result"], -1);
        EXPECT_EQ(r["found"], false);
        EXPECT_EQ(r["format"], nullptr);
        EXPECT_EQ(r["image_size"], json({0, 0}));
        EXPECT_EQ(r["comments"], json::array());
        EXPECT_EQ(r["business"]["layout"], 3);
        EXPECT_EQ(r["collection"]["code"], "???");
        EXPECT_EQ(r["copyright"]["status"], 2);
    }
}

TEST_F(TsnDumpTest, UnsupportedExtensionIsALoadFailure) {
    WriteText(m_work.path() / "picture.gif", "GIF89a");
    const DumpResult result = Run({"--json", m_work / "picture.gif"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "tsn-dump: " + (m_work / "picture.gif") + ": unsupported file type\n");
    const json record = OnlyRecord(result);
    EXPECT_EQ(record["error"], nullptr);
    EXPECT_EQ(record["load_result"], 2);
    EXPECT_EQ(record["format"], nullptr);
}

TEST_F(TsnDumpTest, UsageErrorsPrintNothingOnStandardOutput) {
    const std::string image = Jpeg("u.jpg", {});
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--json"},
        {"--bogus", image},
        {"--preview", "quarter", image},
        {"--preview"},
        {"--max-size", "0", "1.5", image},
        {"--max-size", "10", "ten", image},
        {"--max-size", "10"},
        {"--ppm", m_work / "a.ppm", image, image},
        {"--trace", "general", image, image},
        {"--trace", "back", image},
        {"--hide-image", image},
        {"--no-pixels", "--ppm", m_work / "a.ppm", image},
        {"--no-pixels", "--trace", "general", image},
        {"--json=yes", image},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const DumpResult result = Run(args);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_TRUE(result.err.starts_with("tsn-dump: ")) << result.err;
    }
    EXPECT_FALSE(fs::exists(m_work.path() / "a.ppm"));
}

TEST_F(TsnDumpTest, PpmHoldsThePictureAfterPreviewSizing) {
    const std::string path = m_work / "p.png";
    fixtures::PngOptions options;
    options.pixel = [](int x, int y) {
        return fixtures::Rgba{std::uint8_t(10 + x), std::uint8_t(100 + y), 200, 255};
    };
    ASSERT_TRUE(fixtures::WritePngFile(path, 3, 2, {}, {}, options));
    const std::string ppm = m_work / "out.ppm";
    DumpResult result = Run({"--preview", "full", "--ppm", ppm, path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string expected = std::string("P6\n3 2\n255\n") +
                                 "\x0A\x64\xC8\x0B\x64\xC8\x0C\x64\xC8"
                                 "\x0A\x65\xC8\x0B\x65\xC8\x0C\x65\xC8";
    EXPECT_EQ(ReadText(ppm), expected);

    ASSERT_TRUE(fixtures::WritePngFile(path, 40, 20));
    result = Run({"--preview", "limited", "--max-size", "10", "10", "--ppm", ppm, path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string written = ReadText(ppm);
    EXPECT_TRUE(written.starts_with("P6\n10 5\n255\n"));
    EXPECT_EQ(written.size(), std::string("P6\n10 5\n255\n").size() + 10 * 5 * 3);
}

TEST_F(TsnDumpTest, PreviewFollowsStoredPreferencesUnlessOverridden) {
    const std::string path = Jpeg("big.jpg", {}, 200, 100);
    auto preview = [&](const std::vector<std::string>& options) {
        std::vector<std::string> args{"--json"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(path);
        const DumpResult result = Run(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return OnlyRecord(result)["preview_size"];
    };
    EXPECT_EQ(preview({}), json({100, 50}));  // no store: half size
    StoreSettings("PreviewType=2\nPrevSizeX=50\nPrevSizeY=40\n");
    EXPECT_EQ(preview({}), json({50, 25}));
    EXPECT_EQ(preview({"--max-size", "20", "30"}), json({20, 10}));
    // A limit below 1 leaves its side free, as in the preferences.
    EXPECT_EQ(preview({"--max-size", "0", "30"}), json({60, 30}));
    EXPECT_EQ(preview({"--max-size", "-5", "0"}), json({200, 100}));
    StoreSettings("PreviewType=2\nPrevSizeX=-1\nPrevSizeY=30\n");
    EXPECT_EQ(preview({}), json({60, 30}));
    EXPECT_EQ(preview({"--preview", "full"}), json({200, 100}));
    EXPECT_EQ(preview({"--preview", "half"}), json({100, 50}));
    StoreSettings("PreviewType=7\n");
    EXPECT_EQ(preview({}), json({200, 100}));
}

TEST_F(TsnDumpTest, DefinitionsComeFromInstdirElseTheWorkingDirectory) {
    const std::string path = Jpeg("col.jpg", {Card("tSN|col|CTYMIN|NAMPyrite|end")});
    auto collectionName = [&] {
        const DumpResult result = Run({"--json", path});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return OnlyRecord(result)["collection"]["name"];
    };
    EXPECT_EQ(collectionName(), "");
    WriteText(m_work.path() / "official_collection.def", kDefinitions);
    EXPECT_EQ(collectionName(), "Minerals");
    WriteText(m_work.path() / "inst" / "official_collection.def", "{ MIN Rocks\nNAM Rock\n}\n");
    StoreSettings("instdir=" + (m_work / "inst") + "\n");
    EXPECT_EQ(collectionName(), "Rocks");
}

TEST_F(TsnDumpTest, NeverWritesTheSettingsStore) {
    const std::string path = Jpeg("s.jpg", {});
    EXPECT_EQ(Run({"--json", path}).exitCode, 0);
    EXPECT_TRUE(fs::is_empty(m_config.path()));
    StoreSettings("PreviewType=0\n");
    const fs::path store = m_config.path() / "Tessellon" / "tsn_viewer.conf";
    const std::string before = ReadText(store);
    EXPECT_EQ(Run({"--json", path}).exitCode, 0);
    EXPECT_EQ(ReadText(store), before);
}

TEST_F(TsnDumpTest, TracePrintsTheViewsDrawing) {
    const std::string path = Jpeg("t.jpg", {Card("tSN|gen|TITHello|end")});
    DumpResult result = Run({"--trace", "general", "--hide-image", path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out,
              "text 10 10 bold 0xFF0000 \"General Card :\"\n"
              "text 10 40 normal 0x000000 \"Title : Hello\"\n");

    result = Run({"--trace", "general", "--print", path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(
        result.out.starts_with("map isotropic 300 300 1000 1000\n"
                               "text 50 10 normal 0x000000 \"Filename : " +
                               path + "\"\n"))
        << result.out;

    result = Run({"--trace", "none", path});  // picture shown: the preference's default
    EXPECT_TRUE(result.out.starts_with("picture 10 10 10 5\n")) << result.out;
}

// A path is the system's text: UTF-8 as it is, and a path that is not valid UTF-8
// (a name written under a Latin-1 locale) byte for byte as Windows-1252, all of it.
TEST_F(TsnDumpTest, PathsAreTheFileSystemsTextNotCardBytes) {
    struct Case {
        std::string folder;
        std::string shown;
    };
    for (const Case& c : {Case{"jos\xC3\xA9", "jos\xC3\xA9"}, Case{"jos\xE9", "jos\xC3\xA9"},
                          Case{"\xE2\x82\xAC \x80", "\xC3\xA2\xE2\x80\x9A\xC2\xAC \xE2\x82\xAC"}}) {
        SCOPED_TRACE(c.shown);
        fs::create_directories(m_work.path() / c.folder);
        const std::string path = Jpeg(c.folder + "/pyrite.jpg", {});
        const std::string shown = (m_work.path() / c.shown / "pyrite.jpg").string();
        DumpResult result = Run({"--json", path});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(OnlyRecord(result)["path"], shown);

        result = Run({"--trace", "none", "--print", path});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(result.out.find("text 50 10 normal 0x000000 \"Filename : " + shown + "\"\n"),
                  std::string::npos)
            << result.out;

        result = Run({path});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_TRUE(result.out.starts_with("== " + shown + " ==\n")) << result.out;
    }
}

// Every page of the card, in the viewer's words, made safe for a terminal.
TEST_F(TsnDumpTest, TextReportShowsThePagesReadably) {
    WriteText(m_work.path() / "official_collection.def", kDefinitions);
    const std::string path = Jpeg("r.jpg", {Card(kFullCard), "esc \x1B[31m"});
    DumpResult result = Run({path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string pages =
        "Format : jpeg\n"
        "Image size : 20 x 10\n"
        "Preview size : 10 x 5\n"
        "\n"
        "General Card :\n"
        "  Title : Title \xE2\x82\xAC \\x81\n"
        "  Description : Line one\n"
        "                Line two\n"
        "\n"
        "Business E-Card :\n"
        "  Layout : 7\n"
        "  Personal/Company : Na\"me\n"
        "  Street Address : Street 1\n"
        "                   Town\n"
        "  Phone : 123\n"
        "  Fax : 456\n"
        "  URL : u.example\n"
        "  E-mail : a@b.example\n"
        "  Message : C:\\bin\tx\n"
        "\n"
        "Collection Card :\n"
        "  Minerals\n"
        "  Mineral : Pyrite\n"
        "  Locality : Somewhere\n"
        "  Hardness : \n"
        "\n"
        "Copyright Card :\n"
        "  Image Status : Protected (Contact Author)\n"
        "  Image Credits : cred\n"
        "  Copyright Holder : hold\n"
        "\n"
        "Tessellon information\n"
        "  tSN Protocol Revision : 01.02\n"
        "  Creation Date : 24 Dec 2025\n"
        "  Created By : Author X\n"
        "  Creator Version : 02.07\n"
        "\n"
        "Other Comments :\n"
        "  esc \\x1B[31m\n"
        "\n";
    EXPECT_EQ(result.out, "== " + path + " ==\n" + pages);

    result = Run({Jpeg("plain.jpg", {"just words"})});
    EXPECT_NE(result.out.find("No Tessellon found in this image."), std::string::npos);
}

TEST_F(TsnDumpTest, ExampleImageCarriesAllFourCards) {
    const std::string data = std::string(TSN_SOURCE_DIR) + "/data";
    const DumpResult result = Run({"--json", "--defs-dir", data, data + "/pirite.jpg"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const json record = OnlyRecord(result);
    EXPECT_EQ(record["found"], true);
    EXPECT_EQ(record["image_size"], json({800, 600}));
    for (const char* card : {"general", "business", "collection", "copyright"})
        EXPECT_EQ(record[card]["present"], true) << card;
    EXPECT_NE(record["business"]["layout"], 3);
    EXPECT_NE(record["business"]["street"].get<std::string>().find("\r\n"), std::string::npos);
    EXPECT_EQ(record["collection"]["name"], "Minerals");
    const json& values = record["collection"]["values"];
    EXPECT_EQ(values.size(), record["collection"]["labels"].size());
    EXPECT_TRUE(std::none_of(values.begin(), values.end(), [](const json& v) { return v == ""; }))
        << values;
    EXPECT_EQ(record["comments"].size(), 2u);
}

TEST_F(TsnDumpTest, HelpAndVersion) {
    DumpResult result = Run({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.starts_with("Usage: tsn-dump")) << result.out;
    result = Run({"--version"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.starts_with("tsn-dump ")) << result.out;
}

// A picture cut short still loads and says where it ends, in its own record however
// the workers share the files; a whole one says nothing.
TEST_F(TsnDumpTest, DamageIsToldForTheFileThatHasIt) {
    const std::vector<std::uint8_t> whole = fixtures::MakeBmp(fixtures::MakeTestPicture(20, 10));
    const std::string good = m_work / "good.bmp", cut = m_work / "cut.bmp";
    ASSERT_TRUE(fixtures::WriteBytesFile(good, whole));
    ASSERT_TRUE(fixtures::WriteBytesFile(
        cut, std::vector<std::uint8_t>(whole.begin(),
                                       whole.begin() + std::ptrdiff_t(whole.size() / 2))));

    const DumpResult result = Run({"--json", "-j", "2", cut, good, cut, good, cut});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::istringstream lines(result.out);
    std::string line;
    std::string note;
    int i = 0;
    for (; std::getline(lines, line); ++i) {
        SCOPED_TRACE(line);
        const json record = json::parse(line);
        EXPECT_EQ(record["load_result"], 0);
        if (i % 2 == 1) {
            EXPECT_EQ(record["path"], good);
            EXPECT_EQ(record["damage"], nullptr);
            continue;
        }
        EXPECT_EQ(record["path"], cut);
        ASSERT_TRUE(record["damage"].is_string());
        note = record["damage"].get<std::string>();
        EXPECT_NE(note.find(" of 10"), std::string::npos);
        EXPECT_EQ(note.find('\n'), std::string::npos);
    }
    EXPECT_EQ(i, 5);

    EXPECT_NE(Run({cut}).out.find("Damage : " + note + "\n"), std::string::npos) << note;
    EXPECT_EQ(Run({good}).out.find("Damage"), std::string::npos);
}

// Without pixels the record is the same, for every format and preview rule; a file
// whose header is broken still fails.
TEST_F(TsnDumpTest, NoPixelsGivesTheSameRecords) {
    using fixtures::PngText;
    const std::string jpeg = Jpeg("n.jpg", {Card(kFullCard), "plain"}, 64, 48);
    const std::string png = m_work / "n.png";
    ASSERT_TRUE(fixtures::WritePngFile(png, 30, 21, {{fixtures::PngTextKind::kText, "A", "one"}},
                                       {{fixtures::PngTextKind::kZText, "B", Card(kFullCard)}}));
    const fixtures::RasterPicture picture = fixtures::MakeTestPicture(9, 7);
    const std::string bmp = m_work / "n.bmp", tif = m_work / "n.tif", pcx = m_work / "n.pcx";
    ASSERT_TRUE(fixtures::WriteBytesFile(bmp, fixtures::MakeBmp(picture)));
    ASSERT_TRUE(fixtures::WriteBytesFile(tif, fixtures::MakeTiff(picture)));
    ASSERT_TRUE(fixtures::WriteBytesFile(pcx, fixtures::MakePcx(picture)));
    const std::string badBmp = m_work / "bad.bmp";
    ASSERT_TRUE(fixtures::WriteBytesFile(badBmp, {'B', 'M', 1, 2, 3}));
    std::vector<std::uint8_t> broken = fixtures::MakeJpeg(64, 48);
    broken.resize(25);
    const std::string bad = m_work / "bad.jpg";
    ASSERT_TRUE(fixtures::WriteBytesFile(bad, broken));
    const std::vector<std::string> images = {jpeg, png, bmp, tif, pcx, bad, badBmp};

    for (const char* preview : {"half", "limited", "full"}) {
        SCOPED_TRACE(preview);
        const std::vector<std::string> common = {"--json",     "--preview", preview,
                                                 "--max-size", "20",        "20"};
        std::vector<std::string> withPixels = common, without = common;
        without.push_back("--no-pixels");
        withPixels.insert(withPixels.end(), images.begin(), images.end());
        without.insert(without.end(), images.begin(), images.end());
        const DumpResult expected = Run(withPixels);
        const DumpResult actual = Run(without);
        EXPECT_EQ(actual.exitCode, 1);
        EXPECT_EQ(actual.out, expected.out);
        EXPECT_EQ(actual.err, expected.err);
    }
}

}  // namespace
