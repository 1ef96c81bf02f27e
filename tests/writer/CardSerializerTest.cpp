#include "writer/CardSerializer.h"

#include <gtest/gtest.h>

#include <random>

#include "support/CardMaker.h"
#include "writer/CardRecord.h"
#include "writer/CardScrambling.h"

namespace {

// The comments of `card`, scrambled and parsed in turn into a fresh record.
std::optional<std::string> RoundTripDifference(const CardInfo& card, const ColDefList& defs,
                                               std::size_t* commentCount = nullptr) {
    const CardComments written = CardCommentsOf(card, defs);
    if (!written.ok())
        return "refused: " + written.refusals.front().Message();
    for (const std::string& comment : written.comments) {
        if (comment.size() > kMaxCardCommentBytes || !comment.starts_with("tSN"))
            return "a comment of " + std::to_string(comment.size()) + " bytes";
    }
    if (commentCount)
        *commentCount = written.comments.size();
    CardInfo back;
    ParseCardComments(defs, written.comments, back);
    return CardRecordDifference(card, back);
}

std::vector<std::string> RefusedFields(const CardInfo& card, const ColDefList& defs) {
    std::vector<std::string> fields;
    for (const CardRefusal& refusal : CheckCardRecord(card, defs))
        fields.push_back(refusal.field);
    return fields;
}

TEST(CardSerializer, RandomRecordsComeBackExactly) {
    const ColDefList defs = fixtures::WriterDefinitions();
    std::mt19937 random(19);
    fixtures::CardMaker maker([&random] { return std::uint8_t(random()); });
    CardInfo card;
    for (int i = 0; i < 5000; ++i) {
        maker.Fill(card, defs);
        EXPECT_EQ(RoundTripDifference(card, defs), std::nullopt) << "record " << i;
    }
}

TEST(CardSerializer, CollectionForms) {
    const ColDefList defs = fixtures::WriterDefinitions();
    CardInfo card;
    card.m_hasCollection = 1;
    SetDefinedCollection(card, *defs[1]);  // STA: CTR, a short code, "end", "cpr"
    card.m_fieldValues[0] = "France";
    EXPECT_NE(SerializeCard(card, defs).comments[0].find("|col|CTYSTA|CTRFrance|end"),
              std::string::npos);
    card.m_fieldValues[2] = "lost";  // under "end": no value can get there
    EXPECT_EQ(RefusedFields(card, defs), std::vector<std::string>{"collection field 'End'"});

    card.Reset();
    card.m_hasCollection = 1;
    card.m_collectionName = "Shells";
    card.m_fieldLabels = {"Colour"};
    card.m_fieldValues = {"Red\\ish"};
    EXPECT_NE(SerializeCard(card, defs).comments[0].find("|col|USRShells|FLDColour\\Red\\ish|end"),
              std::string::npos);
    card.m_collectionCode = "SHL";
    EXPECT_NE(SerializeCard(card, defs).comments[0].find("|col|USRShells|CTYSHL|FLD"),
              std::string::npos);
}

TEST(CardSerializer, RefusesWhatTheFormatCannotCarry) {
    const ColDefList defs = fixtures::WriterDefinitions();
    CardInfo card;
    card.m_hasGeneral = card.m_hasBusiness = card.m_hasCopyright = card.m_hasCollection = 1;
    card.m_title = "a|b";
    card.m_holder = std::string("x\0y", 3);
    card.m_layout->LoadBuiltIn(11);
    card.m_copyrightStatus = 3;
    card.m_collectionName = "Mine";
    card.m_fieldLabels = {"a\\b"};
    card.m_fieldValues = {""};
    EXPECT_EQ(RefusedFields(card, defs),
              (std::vector<std::string>{"title", "layout", "collection field 'a\\b'", "status",
                                        "holder"}));
    EXPECT_TRUE(SerializeCard(card, defs).comments.empty());

    card.Reset();
    card.m_hasBusiness = 1;
    card.m_layout->LoadBuiltIn(0);
    EXPECT_EQ(RefusedFields(card, defs), std::vector<std::string>{"layout"});
    card.Reset();
    card.m_hasCollection = 1;
    card.m_collectionCode = "ZZZ";
    EXPECT_EQ(RefusedFields(card, defs), std::vector<std::string>{"collection code"});
    card.Reset();
    card.m_hasGeneral = 1;
    card.m_description.assign(kMaxCardCommentBytes, 'd');
    EXPECT_EQ(RefusedFields(card, defs), std::vector<std::string>{"description"});
}

TEST(CardSerializer, LargeRecordsSplitIntoCommentsThatRebuildIt) {
    const ColDefList defs = fixtures::WriterDefinitions();
    std::mt19937 random(7);
    fixtures::CardMaker maker([&random] { return std::uint8_t(random()); });
    CardInfo card;
    card.m_hasGeneral = card.m_hasCollection = card.m_hasCopyright = 1;
    card.m_description = maker.Value(60000) + std::string(30000, 'D');
    card.m_collectionName = "Big";
    card.m_collectionCode = "BIG";
    for (int i = 0; i < 900; ++i) {
        card.m_fieldLabels.push_back("Label " + std::to_string(i));
        card.m_fieldValues.push_back(maker.Value(400));
    }
    card.m_holder = std::string(65000, 'H');
    std::size_t comments = 0;
    EXPECT_EQ(RoundTripDifference(card, defs, &comments), std::nullopt);
    EXPECT_GE(comments, 3u);

    card.m_fieldValues.clear();
    SetDefinedCollection(card, *defs[0]);
    card.m_fieldValues[0] = std::string(60000, 'N');
    card.m_fieldValues[1] = std::string(60000, 'F');
    EXPECT_EQ(RoundTripDifference(card, defs), std::nullopt);
}

}  // namespace
