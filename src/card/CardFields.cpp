#include "card/CardFields.h"

#include <algorithm>
#include <iterator>

std::span<const CardField> FieldsOf(CardSection section) {
    const auto inSection = [section](const CardField& field) { return field.section == section; };
    const CardField* first =
        std::find_if(std::begin(kCardFields), std::end(kCardFields), inSection);
    const CardField* last = std::find_if_not(first, std::end(kCardFields), inSection);
    return {first, last};
}

const std::string& BusinessValueForTag(const CardInfo& card, std::string_view tag) {
    static const std::string kNone;
    for (const CardField& field : FieldsOf(CardSection::kBusiness)) {
        if (field.tag == tag)
            return card.*field.member;
    }
    return kNone;
}
