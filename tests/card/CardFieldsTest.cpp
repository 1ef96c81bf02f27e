// The field list against the parser: each tag fills the member the list names, and
// only that one, so whatever writes cards from the list is read back as written.

#include <gtest/gtest.h>

#include <map>

#include "CardTestHelpers.h"
#include "card/CardFields.h"

namespace {

// What stands between the mark and a field of each section in a comment.
const std::map<CardSection, std::string> kSectionStart = {
    {CardSection::kProtocol, ""},
    {CardSection::kGeneral, "gen|"},
    {CardSection::kBusiness, "bca|"},
    {CardSection::kCopyright, "cpr|"},
};

TEST(CardFields, EachTagFillsItsOwnMember) {
    const CardInfo defaults;
    for (const CardField& field : kCardFields) {
        SCOPED_TRACE(field.tag);
        CardInfo card;
        card_test::ParsePlain(card, "tSN|" + kSectionStart.at(field.section) +
                                        std::string(field.tag) + "written|end");
        for (const CardField& other : kCardFields) {
            const std::string expected = &other == &field ? "written" : defaults.*other.member;
            EXPECT_EQ(card.*other.member, expected) << other.tag;
        }
    }
}

// FieldsOf gives a section's rows as one run: a row placed apart would be left out.
TEST(CardFields, EverySectionRowIsInItsSectionsRun) {
    std::size_t listed = 0;
    for (const auto& [section, start] : kSectionStart) {
        for (const CardField& field : FieldsOf(section))
            EXPECT_EQ(field.section, section) << field.tag;
        listed += FieldsOf(section).size();
    }
    EXPECT_EQ(listed, std::size(kCardFields));
}

}  // namespace
