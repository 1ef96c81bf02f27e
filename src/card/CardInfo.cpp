#include "card/CardInfo.h"

#include <ctime>

namespace {
constexpr int kDefaultLayout = 3;

// Today's local date as DDMMYYYY.
std::string TodayAsDayMonthYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16] = {};
    std::strftime(text, sizeof text, "%d%m%Y", &local);
    return text;
}
}  // namespace

CardInfo::CardInfo() : m_layout(std::make_unique<ECardLayout>()) {
    Reset();
}

CardInfo::~CardInfo() = default;

void CardInfo::Reset() {
    m_protocolRevision = "0100";
    m_creationDate = TodayAsDayMonthYear();
    m_creatorVersion = "0110";
    m_creatorName = "Tessellon Publisher";
    m_hasGeneral = 0;
    m_description.clear();
    m_title.clear();
    m_layout->LoadBuiltIn(kDefaultLayout);
    m_hasBusiness = 0;
    m_street.clear();
    m_email.clear();
    m_name.clear();
    m_phone.clear();
    m_fax.clear();
    m_message.clear();
    m_url.clear();
    m_hasCollection = 0;
    m_collectionCode = "???";
    m_collectionName.clear();
    m_fieldLabels.clear();
    m_fieldValues.clear();
    m_hasCopyright = 0;
    m_copyrightStatus = 2;
    m_credits.clear();
    m_holder.clear();
}
