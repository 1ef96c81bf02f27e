#include "card/CardFields.h"

const std::string& BusinessValueForTag(const CardInfo& card, std::string_view tag) {
    static const std::string kNone;
    for (const CardField& field : FieldsOf(CardSection::kBusiness)) {
        if (field.tag == tag)
            return card.*field.member;
    }
    return kNone;
}
