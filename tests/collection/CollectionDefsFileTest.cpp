#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>

#include "collection/ColDef.h"

namespace {

namespace fs = std::filesystem;

struct Field {
    std::string code;
    std::string label;
    bool operator==(const Field&) const = default;
};

std::vector<Field> FieldsOf(const ColDef& definition) {
    std::vector<Field> fields;
    for (int i = 0; i < definition.GetFieldCount(); ++i) {
        fields.push_back({definition.GetFieldCode(i), definition.GetFieldLabel(i)});
    }
    return fields;
}

class CollectionDefsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "tsn-coldefs-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_directory = pattern;
    }
    void TearDown() override { fs::remove_all(m_directory); }

    void WriteDefs(const std::string& bytes) {
        std::ofstream out(m_directory / kCollectionDefsFileName, std::ios::binary);
        out << bytes;
    }
    bool Load() { return LoadCollectionDefs(m_directory.string(), m_list); }

    fs::path m_directory;
    ColDefList m_list;
};

const char kNormalBlock[] =
    "{ MIN Minerals\n"
    "NAM Name\n"
    "LOC Locality\n"
    "}\n";

TEST_F(CollectionDefsFileTest, MissingFileReadsNothing) {
    EXPECT_FALSE(Load());
    EXPECT_TRUE(m_list.empty());
    EXPECT_EQ(FindCollection(m_list, ""), nullptr);
}

TEST_F(CollectionDefsFileTest, RemarksAndBlankLinesOnlyReadNothing) {
    WriteDefs("; remark\n\n}\nMIN Minerals\n   \n");
    EXPECT_FALSE(Load());
    EXPECT_TRUE(m_list.empty());
}

TEST_F(CollectionDefsFileTest, BlockGivesCodeNameAndFieldsInFileOrder) {
    // Closed or not, LF or CR LF, with or without a final line end: the same definition.
    const std::string variants[] = {
        kNormalBlock,
        "{ MIN Minerals\nNAM Name\nLOC Locality\n",
        "{ MIN Minerals\r\nNAM Name\r\nLOC Locality\r\n}\r\n",
        "{ MIN Minerals\nNAM Name\nLOC Locality",
    };
    for (const std::string& bytes : variants) {
        SCOPED_TRACE(::testing::PrintToString(bytes));
        m_list.clear();
        WriteDefs(bytes);
        ASSERT_TRUE(Load());
        ASSERT_EQ(m_list.size(), 1u);
        EXPECT_EQ(m_list[0]->GetCode(), "MIN");
        EXPECT_EQ(m_list[0]->GetName(), "Minerals");
        EXPECT_EQ(FieldsOf(*m_list[0]), (std::vector<Field>{{"NAM", "Name"}, {"LOC", "Locality"}}));
    }
}

TEST_F(CollectionDefsFileTest, PiecesAreCutAtFixedPositions) {
    struct Case {
        const char* name;
        const char* header;
        std::string code;
        std::string definitionName;
    };
    const Case cases[] = {
        {"brace alone", "{", "", ""},
        {"two-letter code shifts the name", "{ AB Stones", "AB ", "tones"},
        {"code without name", "{ MIN", "MIN", ""},
        {"code and separator only", "{ MIN ", "MIN", ""},
        {"one-letter code", "{ A", "A", ""},
        {"separators are not checked", "{xMINyName", "MIN", "Name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_list.clear();
        WriteDefs(std::string(c.header) + "\n}\n");
        ASSERT_TRUE(Load());
        ASSERT_EQ(m_list.size(), 1u);
        EXPECT_EQ(m_list[0]->GetCode(), c.code);
        EXPECT_EQ(m_list[0]->GetName(), c.definitionName);
        EXPECT_EQ(m_list[0]->GetFieldCount(), 0);
    }
}

TEST_F(CollectionDefsFileTest, EveryLineInsideABlockIsAField) {
    WriteDefs(
        "{ MIN Minerals\n"
        "NAM Name\n"
        "\n"       // blank: empty code and label
        "{ X Y\n"  // blocks do not nest
        "LOCx\n"   // four characters: empty label
        "AB\n"     // two characters: both are the code
        "COL\n"    // exactly the code
        "}\n");
    ASSERT_TRUE(Load());
    ASSERT_EQ(m_list.size(), 1u);
    EXPECT_EQ(FieldsOf(*m_list[0]),
              (std::vector<Field>{
                  {"NAM", "Name"}, {"", ""}, {"{ X", "Y"}, {"LOC", ""}, {"AB", ""}, {"COL", ""}}));
}

TEST_F(CollectionDefsFileTest, TextBetweenBlocksIsIgnored) {
    WriteDefs(
        "remark before\n"
        "}\n"
        "{ AAA First\n"
        "F01 One\n"
        "} rest ignored\n"
        "} stray close\n"
        "between\n"
        "\n"
        "{ BBB Second\n"
        "}\n");
    ASSERT_TRUE(Load());
    ASSERT_EQ(m_list.size(), 2u);
    EXPECT_EQ(m_list[0]->GetCode(), "AAA");
    EXPECT_EQ(FieldsOf(*m_list[0]), (std::vector<Field>{{"F01", "One"}}));
    EXPECT_EQ(m_list[1]->GetCode(), "BBB");
    EXPECT_EQ(m_list[1]->GetFieldCount(), 0);
}

TEST_F(CollectionDefsFileTest, LoadingAppendsToTheList) {
    m_list.push_back(std::make_unique<ColDef>());
    m_list[0]->SetCode("MIN");
    m_list[0]->SetName("Earlier");
    WriteDefs(kNormalBlock);
    ASSERT_TRUE(Load());
    ASSERT_EQ(m_list.size(), 2u);
    EXPECT_EQ(FindCollection(m_list, "MIN")->GetName(), "Earlier");
}

TEST_F(CollectionDefsFileTest, UnreadableFileReadsNothing) {
    // A directory in the file's place opens but fails on the first read.
    fs::create_directory(m_directory / kCollectionDefsFileName);
    EXPECT_FALSE(Load());
    EXPECT_TRUE(m_list.empty());
}

// A stream whose data breaks off with a read error after `good` bytes.
class FailingBuffer : public std::streambuf {
public:
    explicit FailingBuffer(std::string good) : m_good(std::move(good)) {
        setg(m_good.data(), m_good.data(), m_good.data() + m_good.size());
    }

protected:
    int_type underflow() override { throw std::ios_base::failure("read error"); }

private:
    std::string m_good;
};

TEST(ParseCollectionDefs, ReadErrorDropsTheBlockInProgress) {
    FailingBuffer completed("{ AAA First\nF01 One\n}\n{ BBB Second\nF02 Two\n");
    std::istream in(&completed);
    ColDefList list;
    EXPECT_TRUE(ParseCollectionDefs(in, list));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->GetCode(), "AAA");

    FailingBuffer onlyBlock("{ AAA First\nF01 One\n");
    std::istream broken(&onlyBlock);
    list.clear();
    EXPECT_FALSE(ParseCollectionDefs(broken, list));
    EXPECT_TRUE(list.empty());
}

}  // namespace
