// Records built from the input: every one the serializer accepts comes back exactly
// through scrambling and the parser; one it refuses gives no comment at all. Part of
// the records carry raw bytes ('|', NUL), layouts and statuses out of range.

#include <cstddef>
#include <cstdint>

#include "support/CardMaker.h"
#include "writer/CardRecord.h"
#include "writer/CardScrambling.h"

namespace {

void Disorder(fixtures::CardMaker& maker, CardInfo& card) {
    const auto raw = [&maker] {
        std::string value(maker.Byte() % 8, '\0');
        for (char& c : value)
            c = char(maker.Byte());
        return value;
    };
    switch (maker.Below(6)) {
        case 0:
            card.m_title = raw();
            break;
        case 1:
            card.m_layout->LoadBuiltIn(maker.Below(16) - 2);
            break;
        case 2:
            card.m_copyrightStatus = maker.Below(8) - 2;
            break;
        case 3:
            if (!card.m_fieldLabels.empty())
                card.m_fieldLabels.back() = raw();
            break;
        case 4:
            card.m_collectionCode = raw();
            break;
        default:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ColDefList defs = fixtures::WriterDefinitions();
    std::size_t pos = 0;
    fixtures::CardMaker maker([&] { return pos < size ? data[pos++] : std::uint8_t{0}; });
    CardInfo card;
    maker.Fill(card, defs);
    Disorder(maker, card);
    const CardComments written = CardCommentsOf(card, defs);
    if (!written.ok()) {
        if (!written.comments.empty())
            __builtin_trap();
        return 0;
    }
    CardInfo back;
    ParseCardComments(defs, written.comments, back);
    if (CardRecordDifference(card, back))
        __builtin_trap();
    return 0;
}
