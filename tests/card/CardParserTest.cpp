#include <gtest/gtest.h>

#include "CardTestHelpers.h"
#include "card/CardInfo.h"

namespace {

using card_test::AddDefinition;
using card_test::ParsePlain;
using card_test::Snapshot;

using Strings = std::vector<std::string>;

TEST(CardParser, EveryTagLandsInItsField) {
    CardInfo card;
    ParsePlain(card,
               "tSN|SPV0200|DCR24121999|CVE0120|CNAMaker|gen|TITPyrite|LDELine 1\r\nLine 2|bca|"
               "LAY5|NAMAnn|URLwww|EMAa@b|STAMain St|PHO123|FAX456|MSGHi \xE9\x80|cpr|CST1|"
               "CREPhoto|HLDAnn B|end");
    EXPECT_EQ(card.m_protocolRevision, "0200");
    EXPECT_EQ(card.m_creationDate, "24121999");
    EXPECT_EQ(card.m_creatorVersion, "0120");
    EXPECT_EQ(card.m_creatorName, "Maker");
    EXPECT_EQ(card.m_hasGeneral, 1);
    EXPECT_EQ(card.m_title, "Pyrite");
    EXPECT_EQ(card.m_description, "Line 1\r\nLine 2");
    EXPECT_EQ(card.m_hasBusiness, 1);
    EXPECT_EQ(card.m_layout->m_number, 5);
    EXPECT_EQ(card.m_name, "Ann");
    EXPECT_EQ(card.m_url, "www");
    EXPECT_EQ(card.m_email, "a@b");
    EXPECT_EQ(card.m_street, "Main St");
    EXPECT_EQ(card.m_phone, "123");
    EXPECT_EQ(card.m_fax, "456");
    EXPECT_EQ(card.m_message, "Hi \xE9\x80");
    EXPECT_EQ(card.m_hasCollection, 0);
    EXPECT_EQ(card.m_hasCopyright, 1);
    EXPECT_EQ(card.m_copyrightStatus, 1);
    EXPECT_EQ(card.m_credits, "Photo");
    EXPECT_EQ(card.m_holder, "Ann B");
}

TEST(CardParser, CommentsThatNameNothingChangeNothing) {
    const CardInfo defaults;
    for (const char* plain :
         {"tSN", "", "t", "tSN|", "tSN||||", "tSNjunk before separator", "tSN|end|gen|TITx",
          "tSN|xyz|TITx|NAMy|CST0", "tSN|GEN|TITx", "tSN|TITx|NAMy|CST0|LAY1|CTYMIN"}) {
        SCOPED_TRACE(plain);
        CardInfo card;
        ParsePlain(card, plain);
        EXPECT_EQ(Snapshot(card), Snapshot(defaults));
    }
}

// One comment, one field to look at.
struct TokenCase {
    const char* fault;
    const char* plain;
    std::string CardInfo::*field;
    const char* expected;
};

const TokenCase kTokenCases[] = {
    {"tag at the very end applied", "tSN|gen|TITOld|TIT", &CardInfo::m_title, "Old"},
    {"tag cut short at the end applied", "tSN|gen|TITOld|TI", &CardInfo::m_title, "Old"},
    {"empty value before separator not applied", "tSN|gen|TITOld|TIT|end", &CardInfo::m_title, ""},
    {"empty value at the end of the text not applied", "tSN|gen|TITOld|TIT|", &CardInfo::m_title,
     ""},
    {"text after end read", "tSN|gen|TITA|end|TITB", &CardInfo::m_title, "A"},
    {"end with trailing characters not stopping", "tSN|gen|TITA|endXYZ|TITB", &CardInfo::m_title,
     "A"},
    {"value without end dropped", "tSN|gen|TITRuns to the end", &CardInfo::m_title,
     "Runs to the end"},
    {"later tag not overwriting", "tSN|gen|TITA|TITB|end", &CardInfo::m_title, "B"},
    {"value trimmed", "tSN|gen|TIT  two  spaces ", &CardInfo::m_title, "  two  spaces "},
    {"bytes outside 0x20-0x7F altered", "tSN|gen|LDE\t\x01\x7F\x80\xFF\r\nok",
     &CardInfo::m_description, "\t\x01\x7F\x80\xFF\r\nok"},
    {"gen then bca not opening both", "tSN|gen|bca|NAMJoe|end", &CardInfo::m_name, "Joe"},
    {"section change after a field missed", "tSN|gen|TITx|bca|NAMJoe", &CardInfo::m_name, "Joe"},
    {"cpr then gen reopening gen", "tSN|cpr|gen|TITx|end", &CardInfo::m_title, ""},
    {"bca then gen reopening gen", "tSN|bca|gen|TITx|end", &CardInfo::m_title, ""},
    {"SPV accepted after a section", "tSN|SPV0200|gen|SPV0300|end", &CardInfo::m_protocolRevision,
     "0200"},
    {"tag of another section accepted", "tSN|gen|NAMJoe|end", &CardInfo::m_name, ""},
    {"unknown section changing the section", "tSN|gen|xyz|TITStill general|end", &CardInfo::m_title,
     "Still general"},
    {"text between mark and first separator read", "tSNTITx|gen|TITy", &CardInfo::m_title, "y"},
    {"section tag needing no following separator", "tSN|genXTITy", &CardInfo::m_title, "y"},
};

TEST(CardParser, TokenizerQuirks) {
    for (const TokenCase& c : kTokenCases) {
        SCOPED_TRACE(c.fault);
        CardInfo card;
        ParsePlain(card, c.plain);
        EXPECT_EQ(card.*c.field, c.expected);
    }
}

TEST(CardParser, SectionFlagsFollowTheFixedOrder) {
    struct FlagCase {
        const char* plain;
        int general, business, collection, copyright;
    } const cases[] = {
        {"tSN|gen|bca|col|cpr|end", 1, 1, 1, 1},
        {"tSN|cpr|col|bca|gen|end", 0, 1, 0, 1},  // bca is a fresh item, gen follows it
        {"tSN|cpr|TITx|col|end", 0, 0, 1, 1},
        {"tSN|col", 0, 0, 1, 0},  // a section tag closing the text still counts
        {"tSN|end|gen", 0, 0, 0, 0},
        {"tSN|gen|end|bca", 1, 0, 0, 0},
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(c.plain);
        CardInfo card;
        ParsePlain(card, c.plain);
        EXPECT_EQ(card.m_hasGeneral, c.general);
        EXPECT_EQ(card.m_hasBusiness, c.business);
        EXPECT_EQ(card.m_hasCollection, c.collection);
        EXPECT_EQ(card.m_hasCopyright, c.copyright);
    }
}

TEST(CardParser, NumbersComeFromSignedByteArithmetic) {
    struct NumberCase {
        std::string value;
        int expected;
    } const cases[] = {
        {"0", 0},
        {"7", 7},
        {"12", 12},
        {"05", 5},
        {"123", 3},  // three or more: the last character alone
        {"9999", 9},
        {"A", 17},  // not checked to be a digit
        {"1A", 27},
        {"\xFF", -49},  // signed: -1 - 48
        {"\x80\x80", -1936},
        {"\x80", -176},
        {"", 2},  // empty: the field keeps what it held
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.value));
        CardInfo card;
        ParsePlain(card, "tSN|cpr|CST" + c.value + "|end");
        EXPECT_EQ(card.m_copyrightStatus, c.expected);
        ParsePlain(card, "tSN|bca|LAY" + c.value + "|end");
        EXPECT_EQ(card.m_layout->m_number, c.value.empty() ? 3 : c.expected);
    }
}

class CollectionParse : public testing::Test {
protected:
    void SetUp() override {
        AddDefinition(m_defs, "MIN", "Minerals",
                      {{"NAM", "Name"}, {"FOR", "Formula"}, {"HAR", "Hardness"}});
        AddDefinition(m_defs, "STA", "Stamps", {{"CTR", "Country"}});
        AddDefinition(m_defs, "MIN", "Second minerals", {{"XXX", "Never used"}});
    }
    void Parse(CardInfo& card, const std::string& plain) { ParsePlain(card, plain, m_defs); }

    ColDefList m_defs;
};

TEST_F(CollectionParse, DefinedCollectionGetsExactlyItsFields) {
    CardInfo card;
    Parse(card, "tSN|col|CTYMIN|HARSix|FORFeS2|ZZZunknown|USRnot a name|FORFeS2!|end");
    EXPECT_EQ(card.m_hasCollection, 1);
    EXPECT_EQ(card.m_collectionCode, "MIN");
    EXPECT_EQ(card.m_collectionName, "Minerals");  // the first definition with the code
    EXPECT_EQ(card.m_fieldLabels, (Strings{"Name", "Formula", "Hardness"}));
    EXPECT_EQ(card.m_fieldValues, (Strings{"", "FeS2!", "Six"}));
}

TEST_F(CollectionParse, UserDefinedCollectionSplitsAtTheFirstBackslash) {
    CardInfo card;
    Parse(card,
          "tSN|col|USRMy shells|AAAColour\\Red|BBBNo split|CCC\\only value|DDDa\\b\\c|"
          "CTYMIN|CTYSTA|NAMName\\x|end");
    EXPECT_EQ(card.m_collectionName, "My shells");
    EXPECT_EQ(card.m_collectionCode, "MIN");  // still set, but not looked up
    EXPECT_EQ(card.m_fieldLabels, (Strings{"Colour", "No split", "", "a", "STA", "Name"}));
    EXPECT_EQ(card.m_fieldValues, (Strings{"Red", "", "only value", "b\\c", "", "x"}));
}

TEST_F(CollectionParse, CodeClosesOnFirstCty) {
    CardInfo card;
    Parse(card, "tSN|col|CTYSTA|CTYMIN|USRLate|CTRFrance|end");
    EXPECT_EQ(card.m_collectionCode, "STA");
    EXPECT_EQ(card.m_collectionName, "Stamps");
    EXPECT_EQ(card.m_fieldLabels, (Strings{"Country"}));
    EXPECT_EQ(card.m_fieldValues, (Strings{"France"}));
}

TEST_F(CollectionParse, FieldsWithoutASelectedDefinitionAreDropped) {
    for (const char* plain : {"tSN|col|NAMPyrite|FORFeS2|end", "tSN|col|CTYmin|NAMPyrite|end",
                              "tSN|col|CTY|NAMPyrite|end"}) {
        SCOPED_TRACE(plain);
        CardInfo card;
        Parse(card, plain);
        EXPECT_EQ(card.m_collectionName, "");
        EXPECT_TRUE(card.m_fieldLabels.empty());
        EXPECT_TRUE(card.m_fieldValues.empty());
    }
}

TEST_F(CollectionParse, UnmatchedCodeKeepsNameAndArraysFromEarlierComment) {
    CardInfo card;
    Parse(card, "tSN|col|CTYSTA|CTRPeru|end");
    Parse(card, "tSN|col|CTYZZZ|CTRChile|end");
    EXPECT_EQ(card.m_collectionCode, "ZZZ");
    EXPECT_EQ(card.m_collectionName, "Stamps");
    EXPECT_EQ(card.m_fieldLabels, (Strings{"Country"}));
    EXPECT_EQ(card.m_fieldValues, (Strings{"Peru"}));
}

TEST_F(CollectionParse, CollectionTagsOutsideTheSectionAreIgnored) {
    CardInfo card;
    Parse(card, "tSN|gen|CTYMIN|USRx|AAAa\\b|end");
    EXPECT_EQ(card.m_collectionCode, "???");
    EXPECT_EQ(card.m_collectionName, "");
    EXPECT_TRUE(card.m_fieldLabels.empty());
}

TEST_F(CollectionParse, SecondCommentOverwritesOnlyWhatItNames) {
    CardInfo card;
    Parse(card, "tSN|gen|TITFirst|LDEKept|col|USRMine|AAA1\\a|BBB2\\b|CCC3\\c|DDD4\\d|end");
    Parse(card, "tSN|gen|TITSecond|col|CTYMIN|FORFeS2|end");
    EXPECT_EQ(card.m_title, "Second");
    EXPECT_EQ(card.m_description, "Kept");
    EXPECT_EQ(card.m_collectionName, "Minerals");
    // Resizing keeps the elements already there; only the named value is replaced.
    EXPECT_EQ(card.m_fieldLabels, (Strings{"Name", "Formula", "Hardness"}));
    EXPECT_EQ(card.m_fieldValues, (Strings{"a", "FeS2", "c"}));
}

}  // namespace
