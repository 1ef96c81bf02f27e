#include <gtest/gtest.h>

#include "collection/Archive.h"
#include "collection/ColDef.h"

namespace {

std::vector<std::uint8_t> Store(ColDef& definition) {
    Archive archive = Archive::ForStoring();
    definition.Serialize(archive);
    return archive.Bytes();
}

ColDef Sample() {
    ColDef definition;
    definition.SetCode("MIN");
    definition.SetName("Minerals");
    for (const char* code : {"NAM", "LOC"}) {
        const int index = definition.GetFieldCount();
        definition.AddField();
        definition.SetFieldCode(index, code);
        definition.SetFieldLabel(index, std::string(code) + " label");
    }
    return definition;
}

TEST(ColDefSerialize, StoredBytesHaveTheFixedLayout) {
    ColDef definition;
    definition.SetCode("AB");
    definition.AddField();
    definition.SetFieldCode(0, "X");
    const std::vector<std::uint8_t> expected = {
        1, 0,   0,   0,          // version
        2, 'A', 'B',             // code
        0,                       // name
        1, 0,   0,   0, 1, 'X',  // field codes
        1, 0,   0,   0, 1, ' ',  // field labels
    };
    EXPECT_EQ(Store(definition), expected);
}

TEST(ColDefSerialize, RoundTripKeepsEverything) {
    ColDef original = Sample();
    original.SetName(std::string("with\0zero and \xFF", 15));
    Archive archive = Archive::ForLoading(Store(original));
    ColDef loaded;
    loaded.SetCode("old");
    loaded.AddField();
    ASSERT_TRUE(loaded.Serialize(archive));
    EXPECT_EQ(loaded.m_code, original.m_code);
    EXPECT_EQ(loaded.m_name, original.m_name);
    EXPECT_EQ(loaded.m_fieldCodes, original.m_fieldCodes);
    EXPECT_EQ(loaded.m_fieldLabels, original.m_fieldLabels);
    EXPECT_EQ(archive.Remaining(), 0u);
}

TEST(ColDefSerialize, LengthPrefixAtEachBoundary) {
    struct Case {
        std::size_t length;
        std::vector<std::uint8_t> prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {65534, {0xFF, 0xFE, 0xFF}},
        {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        ColDef original;
        original.SetName(std::string(c.length, 'n'));
        const std::vector<std::uint8_t> bytes = Store(original);
        // version, then the empty code's one byte, then the name's prefix.
        ASSERT_GE(bytes.size(), 5 + c.prefix.size());
        EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 5,
                                            bytes.begin() + 5 + static_cast<long>(c.prefix.size())),
                  c.prefix);
        Archive archive = Archive::ForLoading(bytes);
        ColDef loaded;
        ASSERT_TRUE(loaded.Serialize(archive));
        EXPECT_EQ(loaded.m_name, original.m_name);
        EXPECT_EQ(archive.Remaining(), 0u);
    }
}

TEST(ColDefSerialize, CutOffOrHostileDataFailsAndLeavesTheDefinitionAlone) {
    ColDef original = Sample();
    original.SetName(std::string(300, 'n'));
    const std::vector<std::uint8_t> bytes = Store(original);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        Archive archive =
            Archive::ForLoading(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut));
        ColDef loaded;
        loaded.SetCode("old");
        EXPECT_FALSE(loaded.Serialize(archive));
        EXPECT_FALSE(archive.IsGood());
        EXPECT_EQ(loaded.m_code, "old");
        EXPECT_TRUE(loaded.m_fieldCodes.empty());
    }
    // Counts and lengths far beyond the data.
    const std::vector<std::vector<std::uint8_t>> hostile = {
        {1, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 'A'},
        {1, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'x'},
    };
    for (const auto& bytes : hostile) {
        Archive archive = Archive::ForLoading(bytes);
        ColDef loaded;
        EXPECT_FALSE(loaded.Serialize(archive));
    }
}

TEST(ColDefSerialize, CountsAreReadIndependently) {
    // Negative code count reads none; two labels against it.
    const std::vector<std::uint8_t> bytes = {
        1, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 1, 'a', 1, 'b',
    };
    Archive archive = Archive::ForLoading(bytes);
    ColDef loaded;
    ASSERT_TRUE(loaded.Serialize(archive));
    EXPECT_TRUE(loaded.m_fieldCodes.empty());
    EXPECT_EQ(loaded.m_fieldLabels, (std::vector<std::string>{"a", "b"}));
}

}  // namespace
