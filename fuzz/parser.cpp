// Arbitrary bytes after the tSN mark, parsed against a small fixed definitions list:
// once as they stand (scrambled, as in an image), then once more into the same record
// as the plain text of a comment, scrambled first, so that mutations of readable
// seeds reach the tokenizer intact.

#include <cstddef>
#include <cstdint>
#include <string>

#include "card/CardInfo.h"
#include "card/Scrambler.h"
#include "collection/ColDef.h"

namespace {

void AddDefinition(ColDefList& defs, const char* code, const char* name,
                   std::initializer_list<const char*> fieldCodes) {
    auto def = std::make_unique<ColDef>();
    def->SetCode(code);
    def->SetName(name);
    int index = 0;
    for (const char* fieldCode : fieldCodes) {
        def->AddField();
        def->SetFieldCode(index, fieldCode);
        def->SetFieldLabel(index, std::string("Label ") + fieldCode);
        ++index;
    }
    defs.push_back(std::move(def));
}

const ColDefList& Definitions() {
    static const ColDefList defs = [] {
        ColDefList list;
        AddDefinition(list, "MIN", "Minerals", {"NAM", "FOR", "HAR", "FOR"});
        AddDefinition(list, "STA", "Stamps", {"CTR"});
        AddDefinition(list, "", "Empty code", {});
        return list;
    }();
    return defs;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string comment = "tSN";
    comment.append(reinterpret_cast<const char*>(data), size);
    CardInfo card;
    card.Parse(Definitions(), comment);
    if (const std::optional<std::string> scrambled = ScrambleComment(comment)) {
        card.Parse(Definitions(), *scrambled);
    }
    if (card.m_fieldLabels.size() != card.m_fieldValues.size()) {
        __builtin_trap();
    }
    return 0;
}
