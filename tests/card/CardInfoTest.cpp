#include "card/CardInfo.h"

#include <gtest/gtest.h>

#include <ctime>

#include "CardTestHelpers.h"

namespace {

using card_test::ParsePlain;

std::string TodayLocal() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16] = {};
    std::strftime(text, sizeof text, "%d%m%Y", &local);
    return text;
}

void ExpectDefaults(const CardInfo& card) {
    EXPECT_EQ(card.m_protocolRevision, "0100");
    EXPECT_EQ(card.m_creatorVersion, "0110");
    EXPECT_EQ(card.m_creatorName, "Tessellon Publisher");
    EXPECT_EQ(card.m_creationDate.size(), 8u);
    EXPECT_EQ(card.m_hasGeneral, 0);
    EXPECT_EQ(card.m_hasBusiness, 0);
    EXPECT_EQ(card.m_hasCollection, 0);
    EXPECT_EQ(card.m_hasCopyright, 0);
    EXPECT_EQ(card.m_title, "");
    EXPECT_EQ(card.m_description, "");
    for (const std::string* text :
         {&card.m_street, &card.m_email, &card.m_name, &card.m_phone, &card.m_fax, &card.m_message,
          &card.m_url, &card.m_credits, &card.m_holder, &card.m_collectionName}) {
        EXPECT_EQ(*text, "");
    }
    EXPECT_EQ(card.m_collectionCode, "???");
    EXPECT_TRUE(card.m_fieldLabels.empty());
    EXPECT_TRUE(card.m_fieldValues.empty());
    EXPECT_EQ(card.m_copyrightStatus, 2);
    ASSERT_NE(card.m_layout, nullptr);
    EXPECT_EQ(card.m_layout->m_number, 3);
    EXPECT_EQ(card.m_layout->m_width, 300);
    EXPECT_EQ(card.m_layout->m_height, 170);
    EXPECT_EQ(card.m_layout->GetFieldCount(), 7);
}

TEST(CardInfo, ConstructionGivesTheDefaults) {
    CardInfo card;
    ExpectDefaults(card);
}

TEST(CardInfo, CreationDateIsTodaysLocalDate) {
    for (int attempt = 0; attempt < 2; ++attempt) {  // a second try if midnight passed
        const std::string before = TodayLocal();
        CardInfo card;
        if (before == TodayLocal()) {
            EXPECT_EQ(card.m_creationDate, before);
            return;
        }
    }
}

TEST(CardInfo, ResetUndoesAParseAndRebuildsTheSameLayoutObject) {
    CardInfo card;
    const ECardLayout* layout = card.m_layout.get();
    ParsePlain(card,
               "tSN|SPV0200|DCR01012000|CVE0999|CNAOther|gen|TITt|LDEd|bca|LAY7|NAMn|URLu|EMAe|"
               "STAs|PHOp|FAXf|MSGm|col|USRu|AAAa\\b|CCCc|CTYXYZ|cpr|CST0|CREc|HLDh|end");
    ASSERT_EQ(card.m_layout->m_number, 7);
    ASSERT_EQ(card.m_fieldLabels.size(), 2u);

    card.Reset();

    ExpectDefaults(card);
    EXPECT_EQ(card.m_layout.get(), layout);
}

}  // namespace
