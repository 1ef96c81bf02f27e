// tsn-dump --vcard and --xmp end to end: which images give a vCard, one packet per
// image, and the output modes that exclude each other.

#include <gtest/gtest.h>

#include "DumpProcess.h"
#include "card/Scrambler.h"
#include "support/ImageFixtures.h"

namespace {

class DumpExportsTest : public ::testing::Test {
protected:
    DumpResult Run(const std::vector<std::string>& args) {
        return RunDump(args, m_config.path().string(), m_work.path().string());
    }
    std::string Jpeg(const std::string& name, const std::string& plainCard) {
        const std::string path = m_work / name;
        EXPECT_TRUE(fixtures::WriteJpegFile(path, 8, 8, {ScrambleComment(plainCard).value()}));
        return path;
    }
    static std::size_t Count(const std::string& text, const std::string& part) {
        std::size_t count = 0;
        for (std::size_t at = text.find(part); at != std::string::npos;
             at = text.find(part, at + 1))
            ++count;
        return count;
    }

    ScratchDir m_config;
    ScratchDir m_work;
};

TEST_F(DumpExportsTest, AVCardForEachBusinessCardAndAPacketForEachImage) {
    const std::string business = Jpeg("b.jpg", "tSN|SPV0100|bca|NAMAnn <&> Lee|end");
    const std::string general = Jpeg("g.jpg", "tSN|SPV0100|gen|TITA & B|end");

    const DumpResult vcards = Run({"--vcard", business, general, business});
    EXPECT_EQ(vcards.exitCode, 0) << vcards.err;
    EXPECT_EQ(Count(vcards.out, "BEGIN:VCARD\r\n"), 2u) << vcards.out;
    EXPECT_EQ(Count(vcards.out, "FN:Ann <&> Lee\r\n"), 2u) << vcards.out;

    const DumpResult packets = Run({"--xmp", business, general});
    EXPECT_EQ(packets.exitCode, 0) << packets.err;
    EXPECT_EQ(Count(packets.out, "<?xpacket begin="), 2u) << packets.out;
    EXPECT_EQ(Count(packets.out, "<?xpacket end=\"r\"?>\n"), 2u) << packets.out;
    EXPECT_NE(packets.out.find("<Iptc4xmpCore:CiTelWork></Iptc4xmpCore:CiTelWork>"),
              std::string::npos);
    EXPECT_NE(packets.out.find(">A &amp; B</rdf:li>"), std::string::npos) << packets.out;
    EXPECT_EQ(packets.out.find("Ann <&>"), std::string::npos) << "XML-escaped";
}

TEST_F(DumpExportsTest, OneOutputModeAtATime) {
    const std::string image = Jpeg("a.jpg", "tSN|end");
    for (const auto& modes : {std::vector<std::string>{"--json", "--vcard"},
                              {"--vcard", "--xmp"},
                              {"--xmp", "--trace", "none"}}) {
        std::vector<std::string> args = modes;
        args.push_back(image);
        const DumpResult result = Run(args);
        EXPECT_EQ(result.exitCode, 2) << modes[0] << " " << modes[1];
        EXPECT_EQ(result.out, "");
    }
}

}  // namespace
