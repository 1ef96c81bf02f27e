#include "card/CardInfo.h"

#include <ctime>

namespace {
constexpr int kDefaultLayout = 3;

// Today's local date as DDMMYYYY. Worked out again only when the second has changed:
// every new card asks, and the C library's time zone conversion takes a lock that
// threads opening images side by side would queue at.
std::string TodayAsDayMonthYear() {
    thread_local std::time_t worked = -1;
    thread_local std::string text;
    const std::time_t now = std::time(nullptr);
    if (now != worked) {
        std::tm local{};
        localtime_r(&now, &local);
        char date[16] = {};
        std::strftime(date, sizeof date, "%d%m%Y", &local);
        text = date;
        worked = now;
    }
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
