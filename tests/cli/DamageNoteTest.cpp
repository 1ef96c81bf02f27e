// A picture that loads but not whole, end to end: a JPEG cut in half gives one line
// saying what is wrong, the same in tsn-dump's JSON record and in its text report (the
// viewer's status bar shows it too: tests/ui).

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <regex>

#include "DumpProcess.h"
#include "support/ImageFixtures.h"

namespace {

TEST(DamageNote, JpegCutInHalfTellsTheSameLineInTheRecordAndTheReport) {
    const ScratchDir config, work;
    std::vector<std::uint8_t> file = fixtures::MakeJpeg(320, 240, {"kept comment"});
    file.resize(file.size() / 2);
    const std::string path = work / "cut.jpg";
    ASSERT_TRUE(fixtures::WriteBytesFile(path, file));

    const DumpResult json = RunDump({"--json", path}, config.path(), work.path());
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const nlohmann::json record = nlohmann::json::parse(json.out);
    EXPECT_EQ(record["load_result"], 0);
    EXPECT_EQ(record["error"], nullptr);
    EXPECT_EQ(record["format"], "jpeg");
    EXPECT_EQ(record["image_size"], nlohmann::json({320, 240}));
    EXPECT_EQ(record["comments"], nlohmann::json({"kept comment"}));
    ASSERT_TRUE(record["damage"].is_string()) << json.out;
    const std::string note = record["damage"];
    std::smatch rows;
    ASSERT_TRUE(std::regex_match(note, rows, std::regex("truncated after row ([0-9]+) of 240")))
        << note;
    EXPECT_GT(std::stoi(rows[1]), 0);
    EXPECT_LT(std::stoi(rows[1]), 240);

    const DumpResult text = RunDump({path}, config.path(), work.path());
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("\nDamage : " + note + "\n"), std::string::npos) << text.out;
    EXPECT_EQ(text.err, "");
}

}  // namespace
