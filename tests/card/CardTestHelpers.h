#pragma once
// Authoring helpers for the card tests: comments are written in plain text,
// scrambled the way the authoring program does, and parsed like the document does.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "card/CardInfo.h"
#include "card/Scrambler.h"
#include "collection/ColDef.h"

namespace card_test {

inline std::string Scrambled(const std::string& plain) {
    const std::optional<std::string> scrambled = ScrambleComment(plain);
    EXPECT_TRUE(scrambled.has_value()) << plain;
    return scrambled.value_or(plain);
}

inline void ParsePlain(CardInfo& card, const std::string& plain, const ColDefList& defs = {}) {
    EXPECT_TRUE(card.Parse(defs, Scrambled(plain)));
}

// Adds a definition whose fields are (code, label) pairs.
inline void AddDefinition(ColDefList& defs, std::string code, std::string name,
                          std::initializer_list<std::pair<std::string, std::string>> fields) {
    auto def = std::make_unique<ColDef>();
    def->SetCode(std::move(code));
    def->SetName(std::move(name));
    int index = 0;
    for (const auto& [fieldCode, label] : fields) {
        def->AddField();
        def->SetFieldCode(index, fieldCode);
        def->SetFieldLabel(index, label);
        ++index;
    }
    defs.push_back(std::move(def));
}

// Every field of the record in one comparable list.
inline std::vector<std::string> Snapshot(const CardInfo& card) {
    std::vector<std::string> all = {card.m_protocolRevision,
                                    card.m_creationDate,
                                    card.m_creatorVersion,
                                    card.m_creatorName,
                                    std::to_string(card.m_hasGeneral),
                                    card.m_description,
                                    card.m_title,
                                    std::to_string(card.m_layout->m_number),
                                    std::to_string(card.m_layout->GetFieldCount()),
                                    std::to_string(card.m_hasBusiness),
                                    card.m_street,
                                    card.m_email,
                                    card.m_name,
                                    card.m_phone,
                                    card.m_fax,
                                    card.m_message,
                                    card.m_url,
                                    std::to_string(card.m_hasCollection),
                                    card.m_collectionCode,
                                    card.m_collectionName,
                                    std::to_string(card.m_hasCopyright),
                                    std::to_string(card.m_copyrightStatus),
                                    card.m_credits,
                                    card.m_holder};
    all.push_back("labels:" + std::to_string(card.m_fieldLabels.size()));
    all.insert(all.end(), card.m_fieldLabels.begin(), card.m_fieldLabels.end());
    all.push_back("values:" + std::to_string(card.m_fieldValues.size()));
    all.insert(all.end(), card.m_fieldValues.begin(), card.m_fieldValues.end());
    return all;
}

}  // namespace card_test
