// tsn-card end to end: the built program writes records that the built tsn-dump reads
// back exactly, changes no other byte, and leaves the file as it was when it refuses.

#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <sstream>

#include "DumpProcess.h"
#include "card/CardComment.h"
#include "card/Scrambler.h"
#include "platform/Win1252.h"
#include "support/ImageFixtures.h"
#include "support/RasterFixtures.h"
#include "writer/JpegCommentRewriter.h"
#include "writer/PngTextRewriter.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string kDefinitions = "{ MIN Minerals\nNAM Mineral\nLOC Locality\nHAR Hardness\n}\n";
const std::string kOldCard =
    "tSN|SPV0100|DCR01022003|CNAAuthor|CVE0110|gen|TITOld title|LDEOld description"
    "|bca|LAY7|NAMOld name|col|CTYMIN|NAMPyrite|cpr|CST0|HLDOld holder|end";

std::string Scrambled(const std::string& plain) {
    return ScrambleComment(plain).value_or("");
}

// Text a card value may hold: any byte but NUL, '|' and a line feed without its
// carriage return, as UTF-8 the way tsn-dump writes it.
class RecordGenerator {
public:
    explicit RecordGenerator(unsigned seed) : m_rng(seed) {}

    json Record() {
        json record;
        record["protocol"] = {{"creation_date", Date()}};
        record["general"] =
            Chance() ? json{{"present", true}, {"title", Text()}, {"description", Text()}}
                     : json{{"present", false}, {"title", ""}, {"description", ""}};
        record["business"] = Business();
        record["collection"] = Collection();
        record["copyright"] =
            Chance() ? json{{"present", true},
                            {"status", Number(0, 2)},
                            {"credits", Text()},
                            {"holder", Text()}}
                     : json{{"present", false}, {"status", 2}, {"credits", ""}, {"holder", ""}};
        return record;
    }

    std::string Text(int most = 40, bool label = false) {
        std::string bytes;
        const int length = Number(0, most);
        for (int i = 0; i < length; ++i) {
            if (Number(0, 15) == 0) {
                bytes += "\r\n";
                continue;
            }
            const char byte = static_cast<char>(Number(1, 255));
            if (byte != '|' && byte != '\n' && !(label && byte == '\\'))
                bytes += byte;
        }
        return Win1252ToUtf8(bytes);
    }

private:
    json Business() {
        json card = {{"present", Chance()}, {"layout", 3}};
        for (const char* key : {"name", "street", "phone", "fax", "url", "email", "message"})
            card[key] = card["present"] ? Text() : "";
        if (card["present"])
            card["layout"] = Number(1, 10);
        return card;
    }

    json Collection() {
        json empty = json::array();
        if (!Chance())
            return {{"present", false},
                    {"code", "???"},
                    {"name", ""},
                    {"labels", empty},
                    {"values", empty}};
        if (Chance())
            return {{"present", true},
                    {"code", "MIN"},
                    {"name", "Minerals"},
                    {"labels", {"Mineral", "Locality", "Hardness"}},
                    {"values", {Text(), Text(), Text()}}};
        json labels = json::array(), values = json::array();
        for (int i = Number(0, 4); i > 0; --i) {
            labels.push_back(Text(12, true));
            values.push_back(Text());
        }
        return {{"present", true},
                {"code", Chance() ? "???" : UserCode()},
                {"name", Text(20)},
                {"labels", labels},
                {"values", values}};
    }

    // A collection code of no definition.
    std::string UserCode() {
        std::string code = "U";
        code += std::to_string(Number(10, 99));
        return code;
    }

    std::string Date() {
        char text[16];
        std::snprintf(text, sizeof text, "%02d%02d%04d", Number(1, 28), Number(1, 12),
                      Number(1990, 2030));
        return text;
    }

    int Number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    bool Chance() { return Number(0, 1) == 1; }

    std::mt19937 m_rng;
};

std::set<std::string> Listing(const fs::path& directory) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.insert(entry.path().filename().string());
    return names;
}

class TsnCardTest : public ::testing::Test {
protected:
    void SetUp() override { WriteText(m_work.path() / "official_collection.def", kDefinitions); }

    DumpResult Card(const std::vector<std::string>& args, const std::string& input = {}) {
        return RunProgram(TSN_CARD_PATH, args, m_config.path().string(), m_work.path().string(),
                          input);
    }
    json Dump(const std::string& path) {
        const DumpResult result =
            RunDump({"--json", "--no-pixels", path}, m_config.path().string(), m_work.path());
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return json::parse(result.out);
    }
    // The decoded picture, as the viewer holds it at full size.
    std::string Pixels(const std::string& path) {
        const std::string ppm = m_work / "pixels.ppm";
        const DumpResult result = RunDump({"--json", "--preview", "full", "--ppm", ppm, path},
                                          m_config.path().string(), m_work.path());
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return ReadText(ppm);
    }
    std::string Jpeg(const std::string& name, const std::vector<std::string>& comments = {}) {
        const std::string path = m_work / name;
        EXPECT_TRUE(fixtures::WriteJpegFile(path, 24, 16, comments));
        return path;
    }
    std::string Png(const std::string& name, const std::vector<fixtures::PngText>& before = {},
                    const std::vector<fixtures::PngText>& after = {}) {
        const std::string path = m_work / name;
        EXPECT_TRUE(fixtures::WritePngFile(path, 24, 16, before, after));
        return path;
    }
    // The record set with --replace --from, as tsn-dump gives it back.
    void ExpectRoundTrip(const std::string& image, const json& record) {
        WriteText(m_work.path() / "record.json", record.dump());
        const DumpResult result = Card({"set", "--replace", "--from", "record.json", image});
        ASSERT_EQ(result.exitCode, 0) << result.err << record.dump();
        const json back = Dump(image);
        for (const char* card : {"general", "business", "collection", "copyright"})
            EXPECT_EQ(back[card], record[card]) << card << "\n" << record.dump();
        EXPECT_EQ(back["protocol"]["creation_date"], record["protocol"]["creation_date"]);
        EXPECT_EQ(back["protocol"]["creator_name"], "tsn-card");
        EXPECT_EQ(back["protocol"]["revision"], "0100");
    }
    static std::vector<std::string> OtherComments(const json& record) {
        std::vector<std::string> others;
        for (const json& comment : record["comments"])
            if (!IsCardComment(comment.get<std::string>()))
                others.push_back(comment);
        return others;
    }

    ScratchDir m_config;
    ScratchDir m_work;
};

TEST_F(TsnCardTest, RandomRecordsComeBackExactlyFromJpegAndPng) {
    RecordGenerator generate(19);
    for (int i = 0; i < 30; ++i) {
        ExpectRoundTrip(Jpeg("round.jpg", {"other", Scrambled(kOldCard)}), generate.Record());
        ExpectRoundTrip(Png("round.png", {{fixtures::PngTextKind::kText, "Comment", "other"}}),
                        generate.Record());
    }
}

TEST_F(TsnCardTest, ARecordLongerThanOneSegmentIsSplitAndComesBackWhole) {
    RecordGenerator generate(7);
    json longRecord = generate.Record();
    std::string longText;
    while (longText.size() < 50'000)
        longText += generate.Text();
    longRecord["general"] = {{"present", true}, {"title", longText}, {"description", longText}};
    const std::string jpeg = Jpeg("long.jpg");
    ExpectRoundTrip(jpeg, longRecord);
    std::size_t cards = 0;
    const json dumped = Dump(jpeg);
    for (const json& comment : dumped["comments"])
        cards += IsCardComment(comment.get<std::string>()) ? 1 : 0;
    EXPECT_GE(cards, 2u);
    ExpectRoundTrip(Png("long.png"), longRecord);
}

TEST_F(TsnCardTest, PixelsOtherCommentsAndEveryOtherByteStay) {
    using fixtures::PngTextKind;
    const std::string jpeg = Jpeg("keep.jpg", {"first", Scrambled(kOldCard), "second"});
    const std::string png = Png("keep.png", {{PngTextKind::kText, "Comment", "first"}},
                                {{PngTextKind::kZText, "Comment", "after the picture"}});
    for (const std::string& image : {jpeg, png}) {
        const std::string pixels = Pixels(image);
        const json before = Dump(image);
        const std::vector<std::uint8_t> oldBytes = fixtures::ReadBytesFile(image);
        const DumpResult result = Card({"set", "--title", "New", "--holder", "Me", image});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(Pixels(image), pixels) << image;
        EXPECT_EQ(OtherComments(Dump(image)), OtherComments(before)) << image;

        const std::vector<std::uint8_t> newBytes = fixtures::ReadBytesFile(image);
        const bool isJpeg = image == jpeg;
        const auto walk = isJpeg ? WalkJpegCardComments : WalkPngCardTexts;
        EXPECT_TRUE(SameBytesOutsideCards(oldBytes, walk(oldBytes), newBytes, walk(newBytes)));
    }
    // The new card takes the place of the one it replaces.
    const json comments = Dump(jpeg)["comments"];
    ASSERT_EQ(comments.size(), 3u);
    EXPECT_EQ(comments[0], "first");
    EXPECT_TRUE(IsCardComment(comments[1].get<std::string>()));
    EXPECT_EQ(comments[2], "second");
}

TEST_F(TsnCardTest, FieldsApplyInOrderOnTheImagesRecord) {
    const std::string image = Jpeg("fields.jpg", {Scrambled(kOldCard)});
    const DumpResult result = Card({"set", "--title", "Caf\xC3\xA9\nline", "--no-business",
                                    "--user-collection", "Mine", "--field", "A=1", "--field", "B=2",
                                    "--field", "A=3", "--status", "protected", image});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const json record = Dump(image);
    EXPECT_EQ(record["general"]["title"], "Caf\xC3\xA9\r\nline");
    EXPECT_EQ(record["general"]["description"], "Old description");
    EXPECT_FALSE(record["business"]["present"]);
    EXPECT_EQ(record["collection"]["name"], "Mine");
    EXPECT_EQ(record["collection"]["labels"], json({"A", "B"}));
    EXPECT_EQ(record["collection"]["values"], json({"3", "2"}));
    EXPECT_EQ(record["copyright"]["status"], 1);
    EXPECT_EQ(record["copyright"]["holder"], "Old holder");
    EXPECT_EQ(record["protocol"]["creation_date"], "01022003");

    ASSERT_EQ(Card({"set", "--collection", "MIN", "--field", "HAR=6", image}).exitCode, 0);
    EXPECT_EQ(Dump(image)["collection"]["values"], json({"", "", "6"}));

    // A code of the definitions alone stands for that collection.
    WriteText(m_work.path() / "code.json", R"({"collection": {"code": "MIN"}})");
    ASSERT_EQ(Card({"set", "--replace", "--from", "code.json", image}).exitCode, 0);
    EXPECT_EQ(Dump(image)["collection"]["labels"], json({"Mineral", "Locality", "Hardness"}));
}

TEST_F(TsnCardTest, CopyAndClear) {
    const std::string source = Jpeg("source.jpg", {Scrambled(kOldCard)});
    const std::string jpeg = Jpeg("a.jpg", {"keep me"});
    const std::string png = Png("b.png");
    const DumpResult copied = Card({"copy", "-v", source, jpeg, png});
    ASSERT_EQ(copied.exitCode, 0) << copied.err;
    EXPECT_EQ(copied.out, jpeg + "\n" + png + "\n");
    const json original = Dump(source);
    for (const std::string& image : {jpeg, png}) {
        const json record = Dump(image);
        for (const char* card : {"general", "business", "collection", "copyright"})
            EXPECT_EQ(record[card], original[card]) << image << " " << card;
        EXPECT_EQ(record["protocol"]["creation_date"], "01022003");
    }

    // tsn-dump's own output, every key of it, read from standard input.
    const std::string other = Png("c.png");
    ASSERT_EQ(Card({"set", "--from", "-", other}, original.dump() + "\n").exitCode, 0);
    const json fromDump = Dump(other);
    for (const char* card : {"general", "business", "collection", "copyright"})
        EXPECT_EQ(fromDump[card], original[card]) << card;

    ASSERT_EQ(Card({"clear", jpeg}).exitCode, 0);
    const json cleared = Dump(jpeg);
    EXPECT_FALSE(cleared["found"]);
    EXPECT_EQ(cleared["comments"], json({"keep me"}));
}

// Several images are in flight at once: the lines still come in argument order, the
// exit status is as one at a time, and a failing image stops neither the others nor
// leaves a stray file.
TEST_F(TsnCardTest, ManyImagesReportInOrderAndAFailureStaysWithItsImage) {
    const std::string source = Jpeg("source.jpg", {Scrambled(kOldCard)});
    std::vector<std::string> args{"copy", "-v", source};
    std::string expectedOut, expectedErr;
    std::vector<std::string> written;
    for (int i = 0; i < 40; ++i) {
        std::string image = (m_work / ("img" + std::to_string(i) + ".jpg"));
        if (i % 10 == 3) {
            WriteText(image, "not a JPEG at all");
            expectedErr += "tsn-card: " + image + ":";
        } else if (i % 10 == 7) {
            image = (m_work / ("missing" + std::to_string(i) + ".jpg"));
            expectedErr += "tsn-card: " + image + ":";
        } else {
            Jpeg(fs::path(image).filename(), {"keep me"});
            expectedOut += image + "\n";
            written.push_back(image);
        }
        args.push_back(image);
    }
    const DumpResult result = Card(args);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, expectedOut);
    std::string errPrefixes;
    std::istringstream errLines(result.err);
    for (std::string line; std::getline(errLines, line);)
        errPrefixes += line.substr(0, line.find(".jpg:") + 5);
    EXPECT_EQ(errPrefixes, expectedErr) << result.err;
    EXPECT_EQ(ReadText(m_work / "img3.jpg"), "not a JPEG at all");
    for (const std::string& image : written)
        EXPECT_EQ(ReadText(image), ReadText(written.front())) << image;
    EXPECT_EQ(Dump(written.back())["general"], Dump(source)["general"]);
    for (const auto& entry : fs::directory_iterator(m_work.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tsn-card-"), std::string::npos);
}

TEST_F(TsnCardTest, AFileNamedTwiceAmongManyIsWrittenTwice) {
    const std::string image = Jpeg("a.jpg");
    const std::string other = Jpeg("b.jpg");
    const std::string link = m_work / "link.jpg";
    fs::create_symlink(image, link);
    const DumpResult result = Card({"set", "-v", "--title", "T", image, other, link, image});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, image + "\n" + other + "\n" + link + "\n" + image + "\n");
    EXPECT_EQ(Dump(link)["general"]["title"], "T");
}

TEST_F(TsnCardTest, OutputDryRunAndKeepTime) {
    const std::string image = Jpeg("img.jpg");
    const std::vector<std::uint8_t> bytes = fixtures::ReadBytesFile(image);
    ASSERT_EQ(Card({"set", "--dry-run", "--title", "T", image}).exitCode, 0);
    EXPECT_EQ(fixtures::ReadBytesFile(image), bytes);

    const std::string out = m_work / "out.jpg";
    ASSERT_EQ(Card({"set", "--title", "T", "-o", out, image}).exitCode, 0);
    EXPECT_EQ(fixtures::ReadBytesFile(image), bytes);
    EXPECT_EQ(Dump(out)["general"]["title"], "T");

    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(48);
    fs::last_write_time(image, old);
    ASSERT_EQ(Card({"set", "--keep-time", "--title", "T", image}).exitCode, 0);
    EXPECT_EQ(fs::last_write_time(image), old);
}

struct Refusal {
    std::vector<std::string> args;  // the image is added last
    std::string fileName;
    int exitCode;
    std::string named;  // in the message
};

class TsnCardRefusalTest : public TsnCardTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(TsnCardRefusalTest, LeavesTheFileAsItWasAndNoStrayFile) {
    const Refusal& refusal = GetParam();
    const std::string image = m_work / refusal.fileName;
    const fixtures::RasterPicture picture = fixtures::MakeTestPicture(4, 4);
    if (image.ends_with(".bmp"))
        fixtures::WriteFile(image, fixtures::MakeBmp(picture));
    else if (image.ends_with(".pcx"))
        fixtures::WriteFile(image, fixtures::MakePcx(picture));
    else if (image.ends_with(".tif"))
        fixtures::WriteFile(image, fixtures::MakeTiff(picture));
    else
        Jpeg(refusal.fileName, {"other", Scrambled(kOldCard)});
    WriteText(m_work.path() / "bad.json", R"({"general": {"title": "\u4e2d"}})");
    const std::vector<std::uint8_t> bytes = fixtures::ReadBytesFile(image);
    const std::set<std::string> listing = Listing(m_work.path());

    std::vector<std::string> args = refusal.args;
    args.push_back(image);
    const DumpResult result = Card(args);
    EXPECT_EQ(result.exitCode, refusal.exitCode) << result.err;
    EXPECT_NE(result.err.find(refusal.named), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(fixtures::ReadBytesFile(image), bytes);
    EXPECT_EQ(Listing(m_work.path()), listing);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, TsnCardRefusalTest,
    ::testing::Values(
        Refusal{{"set", "--title", "\xE4\xB8\xAD"}, "a.jpg", 2, "--title: U+4E2D"},
        Refusal{{"set", "--from", "bad.json"}, "a.jpg", 2, "title: U+4E2D"},
        Refusal{{"set", "--name", "a|b"}, "a.jpg", 2, "--name: '|'"},
        Refusal{{"set", "--user-collection", "U", "--field", "a\\b=1"}, "a.jpg", 2, "--field"},
        Refusal{{"set", "--layout", "0"}, "a.jpg", 2, "--layout"},
        Refusal{{"set", "--layout", "11"}, "a.jpg", 2, "--layout"},
        Refusal{{"set", "--collection", "XYZ"}, "a.jpg", 2, "XYZ"},
        Refusal{{"set", "--collection", "MIN", "--field", "ZZZ=1"}, "a.jpg", 2, "ZZZ"},
        Refusal{{"set", "--field", "NAM=1"}, "a.jpg", 2, "--field"},
        Refusal{{"set", "--status", "maybe"}, "a.jpg", 2, "--status"},
        Refusal{{"clear", "--title", "T"}, "a.jpg", 2, "set"},
        Refusal{{"set", "--title", "T"}, "a.bmp", 1, "a.bmp"},
        Refusal{{"set", "--title", "T"}, "a.tif", 1, "a.tif"},
        Refusal{{"copy", TSN_SOURCE_DIR "/data/pirite.jpg"}, "a.pcx", 1, "a.pcx"}));

TEST_F(TsnCardTest, ReadOnlyDirectoryLeavesTheFileAsItWas) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only directories";
    const fs::path directory = m_work.path() / "locked";
    fs::create_directory(directory);
    const std::string image = (directory / "a.jpg").string();
    ASSERT_TRUE(fixtures::WriteJpegFile(image, 8, 8, {"x"}));
    const std::vector<std::uint8_t> bytes = fixtures::ReadBytesFile(image);
    fs::permissions(directory, fs::perms::owner_read | fs::perms::owner_exec);
    const DumpResult result = Card({"set", "--title", "T", image});
    fs::permissions(directory, fs::perms::owner_all);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(fixtures::ReadBytesFile(image), bytes);
    EXPECT_EQ(Listing(directory), std::set<std::string>{"a.jpg"});
}

TEST_F(TsnCardTest, UsageErrorsWriteNothing) {
    const std::string image = Jpeg("u.jpg");
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"paint", image},
                                                 {"set"},
                                                 {"copy", image},
                                                 {"set", "-o", "x.jpg", image, image},
                                                 {"set", "--title"},
                                                 {"set", "--bogus", image}}) {
        const DumpResult result = Card(args);
        EXPECT_EQ(result.exitCode, 2) << args.size();
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err, "");
    }
    EXPECT_EQ(Card({"--version"}).out, "tsn-card 1.1\n");
    EXPECT_NE(Card({"--help"}).out.find("tsn-card copy"), std::string::npos);
}

}  // namespace
