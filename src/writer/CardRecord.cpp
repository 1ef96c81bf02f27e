#include "writer/CardRecord.h"

#include "writer/CardTags.h"

void CopyCardRecord(const CardInfo& from, CardInfo& to) {
    if (&from == &to)
        return;
    for (const CardStringField& field : kCardStringFields)
        to.*field.member = from.*field.member;
    for (const CardSectionTag& section : kCardSectionTags)
        to.*section.flag = from.*section.flag;
    to.m_layout->LoadBuiltIn(from.m_layout->m_number);
    to.m_collectionCode = from.m_collectionCode;
    to.m_collectionName = from.m_collectionName;
    to.m_fieldLabels = from.m_fieldLabels;
    to.m_fieldValues = from.m_fieldValues;
    to.m_copyrightStatus = from.m_copyrightStatus;
}

void SetDefinedCollection(CardInfo& card, const ColDef& def) {
    const auto count = static_cast<std::size_t>(def.GetFieldCount());
    card.m_collectionCode = def.GetCode();
    card.m_collectionName = def.GetName();
    card.m_fieldLabels = def.m_fieldLabels;
    card.m_fieldValues.resize(count);
}

namespace {

bool Present(const CardInfo& card, CardSection section) {
    for (const CardSectionTag& tag : kCardSectionTags) {
        if (tag.section == section)
            return card.*tag.flag != 0;
    }
    return true;  // the protocol fields are always there
}

}  // namespace

std::optional<std::string> CardRecordDifference(const CardInfo& a, const CardInfo& b) {
    for (const CardSectionTag& section : kCardSectionTags) {
        if (a.*section.flag != b.*section.flag)
            return std::string(section.tag) + " present";
    }
    for (const CardStringField& field : kCardStringFields) {
        if (Present(a, field.section) && a.*field.member != b.*field.member)
            return field.name;
    }
    if (a.m_hasBusiness && a.m_layout->m_number != b.m_layout->m_number)
        return "layout";
    if (a.m_hasCopyright && a.m_copyrightStatus != b.m_copyrightStatus)
        return "status";
    if (a.m_hasCollection) {
        if (a.m_collectionCode != b.m_collectionCode)
            return "collection code";
        if (a.m_collectionName != b.m_collectionName)
            return "collection name";
        if (a.m_fieldLabels != b.m_fieldLabels)
            return "collection labels";
        if (a.m_fieldValues != b.m_fieldValues)
            return "collection values";
    }
    return std::nullopt;
}

void ParseCardComments(const ColDefList& defs, const std::vector<std::string>& comments,
                       CardInfo& card) {
    card.Reset();
    for (const std::string& comment : comments)
        card.Parse(defs, comment);
}
