#pragma once
// The card fields the writer handles by table: which section and tag carries each
// string field of the record, and the name a refusal gives it.

#include <string>
#include <string_view>

#include "card/CardInfo.h"

enum class CardSection { kProtocol, kGeneral, kBusiness, kCollection, kCopyright };

struct CardSectionTag {
    CardSection section;
    std::string_view tag;
    int CardInfo::*flag;
};

// In the order the parser accepts them one after another.
inline constexpr CardSectionTag kCardSectionTags[] = {
    {CardSection::kGeneral, "gen", &CardInfo::m_hasGeneral},
    {CardSection::kBusiness, "bca", &CardInfo::m_hasBusiness},
    {CardSection::kCollection, "col", &CardInfo::m_hasCollection},
    {CardSection::kCopyright, "cpr", &CardInfo::m_hasCopyright},
};

struct CardStringField {
    CardSection section;
    std::string_view tag;
    std::string CardInfo::*member;
    const char* name;
};

// Every string field with a tag of its own, in the order they are written.
inline constexpr CardStringField kCardStringFields[] = {
    {CardSection::kProtocol, "SPV", &CardInfo::m_protocolRevision, "revision"},
    {CardSection::kProtocol, "DCR", &CardInfo::m_creationDate, "creation date"},
    {CardSection::kProtocol, "CVE", &CardInfo::m_creatorVersion, "creator version"},
    {CardSection::kProtocol, "CNA", &CardInfo::m_creatorName, "creator name"},
    {CardSection::kGeneral, "TIT", &CardInfo::m_title, "title"},
    {CardSection::kGeneral, "LDE", &CardInfo::m_description, "description"},
    {CardSection::kBusiness, "NAM", &CardInfo::m_name, "name"},
    {CardSection::kBusiness, "STA", &CardInfo::m_street, "street"},
    {CardSection::kBusiness, "PHO", &CardInfo::m_phone, "phone"},
    {CardSection::kBusiness, "FAX", &CardInfo::m_fax, "fax"},
    {CardSection::kBusiness, "URL", &CardInfo::m_url, "url"},
    {CardSection::kBusiness, "EMA", &CardInfo::m_email, "email"},
    {CardSection::kBusiness, "MSG", &CardInfo::m_message, "message"},
    {CardSection::kCopyright, "CRE", &CardInfo::m_credits, "credits"},
    {CardSection::kCopyright, "HLD", &CardInfo::m_holder, "holder"},
};
