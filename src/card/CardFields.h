#pragma once
// The record's text fields: the tag that names each in a card comment, the label
// its card page writes before it, and where the record keeps it. The pages, the
// text report and whatever writes cards all go by this one list.

#include <span>
#include <string>
#include <string_view>

#include "card/CardInfo.h"

// The card a field belongs to; the protocol fields stand before any card's tag.
enum class CardSection { kProtocol, kGeneral, kBusiness, kCopyright };

// How a page shows a field's value.
enum class ValueForm {
    kAsIs,     // one line, line breaks and all
    kLines,    // split into lines at carriage returns
    kVersion,  // "0110" as "01.10"
    kDate,     // "06122026" as "06 Dec 2026"
};

struct CardField {
    CardSection section;
    std::string_view tag;
    std::string_view label;
    std::string CardInfo::*member;
    ValueForm form;
};

// Within a section, in the order its page lists them.
inline constexpr CardField kCardFields[] = {
    {CardSection::kProtocol, "SPV", "tSN Protocol Revision : ", &CardInfo::m_protocolRevision,
     ValueForm::kVersion},
    {CardSection::kProtocol, "DCR", "Creation Date : ", &CardInfo::m_creationDate,
     ValueForm::kDate},
    {CardSection::kProtocol, "CNA", "Created By : ", &CardInfo::m_creatorName, ValueForm::kAsIs},
    {CardSection::kProtocol, "CVE", "Creator Version : ", &CardInfo::m_creatorVersion,
     ValueForm::kVersion},
    {CardSection::kGeneral, "TIT", "Title : ", &CardInfo::m_title, ValueForm::kAsIs},
    {CardSection::kGeneral, "LDE", "Description : ", &CardInfo::m_description, ValueForm::kLines},
    {CardSection::kBusiness, "NAM", "Personal/Company : ", &CardInfo::m_name, ValueForm::kAsIs},
    {CardSection::kBusiness, "STA", "Street Address : ", &CardInfo::m_street, ValueForm::kLines},
    {CardSection::kBusiness, "PHO", "Phone : ", &CardInfo::m_phone, ValueForm::kAsIs},
    {CardSection::kBusiness, "FAX", "Fax : ", &CardInfo::m_fax, ValueForm::kAsIs},
    {CardSection::kBusiness, "URL", "URL : ", &CardInfo::m_url, ValueForm::kAsIs},
    {CardSection::kBusiness, "EMA", "E-mail : ", &CardInfo::m_email, ValueForm::kAsIs},
    {CardSection::kBusiness, "MSG", "Message : ", &CardInfo::m_message, ValueForm::kAsIs},
    {CardSection::kCopyright, "CRE", "Image Credits : ", &CardInfo::m_credits, ValueForm::kAsIs},
    {CardSection::kCopyright, "HLD", "Copyright Holder : ", &CardInfo::m_holder, ValueForm::kAsIs},
};

// The fields of one section, in their page's order (the table keeps a section's rows
// together).
std::span<const CardField> FieldsOf(CardSection section);

// The business-card value a layout field shows, by its tag (case counts); "" for a
// tag that names no business field.
const std::string& BusinessValueForTag(const CardInfo& card, std::string_view tag);
