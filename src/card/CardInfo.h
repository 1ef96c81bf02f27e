#pragma once
// The record of all cards found in one image. The document owns one, resets it
// before every load and lets Parse fill it from each tSN comment; the card pages
// read its fields.

#include <memory>
#include <string>
#include <vector>

#include "collection/ColDef.h"
#include "layout/ECardLayout.h"

class CardInfo {
public:
    CardInfo();
    ~CardInfo();
    CardInfo(const CardInfo&) = delete;
    CardInfo& operator=(const CardInfo&) = delete;

    // Every field back to its default; the layout is rebuilt as built-in layout 3.
    void Reset();
    // Descrambles its own copy of `text` (a whole comment, mark included) and writes
    // the fields it names. Always true.
    bool Parse(const ColDefList& defs, std::string text);

    std::string m_protocolRevision;
    std::string m_creationDate;  // DDMMYYYY
    std::string m_creatorVersion;
    std::string m_creatorName;
    int m_hasGeneral = 0;
    std::string m_description;
    std::string m_title;
    std::unique_ptr<ECardLayout> m_layout;  // never replaced, only rebuilt
    int m_hasBusiness = 0;
    std::string m_street;
    std::string m_email;
    std::string m_name;
    std::string m_phone;
    std::string m_fax;
    std::string m_message;
    std::string m_url;
    int m_hasCollection = 0;
    std::string m_collectionCode;
    std::string m_collectionName;
    std::vector<std::string> m_fieldLabels;
    std::vector<std::string> m_fieldValues;  // always as many as m_fieldLabels
    int m_hasCopyright = 0;
    int m_copyrightStatus = 2;  // 0 copyrighted, 1 protected, 2 public domain
    std::string m_credits;
    std::string m_holder;
};
