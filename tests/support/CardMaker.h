#pragma once
// Records the card writer accepts, drawn from a stream of bytes (a seeded generator in
// the tests, the input in the fuzz targets): every field, empty values, CR LF, every
// byte but NUL and '|', user-defined and defined collections, all layouts and
// statuses. Header-only so that the fuzz targets can use it too.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "card/CardInfo.h"
#include "collection/ColDef.h"
#include "writer/CardRecord.h"
#include "writer/CardTags.h"

namespace fixtures {

// Definitions with the awkward cases: a code shared by two fields, a short code, codes
// the parser reads as a section, the end or the collection tags, two collections with
// one code.
inline ColDefList WriterDefinitions() {
    ColDefList defs;
    const auto add = [&defs](const char* code, const char* name,
                             std::initializer_list<std::pair<const char*, const char*>> fields) {
        auto def = std::make_unique<ColDef>();
        def->SetCode(code);
        def->SetName(name);
        for (const auto& [fieldCode, label] : fields) {
            def->AddField();
            def->SetFieldCode(def->GetFieldCount() - 1, fieldCode);
            def->SetFieldLabel(def->GetFieldCount() - 1, label);
        }
        defs.push_back(std::move(def));
    };
    add("MIN", "Minerals",
        {{"NAM", "Name"},
         {"FOR", "Formula"},
         {"HAR", "Hardness"},
         {"FOR", "Formula again"},
         {"CTY", "Country"},
         {"USR", "User"}});
    add("STA", "Stamps", {{"CTR", "Country"}, {"YR", "Year"}, {"end", "End"}, {"cpr", "Rights"}});
    add("MIN", "Minerals, second", {{"XXX", "Never used"}});
    add("EMP", "Empty", {});
    return defs;
}

class CardMaker {
public:
    explicit CardMaker(std::function<std::uint8_t()> next) : m_next(std::move(next)) {}

    std::uint8_t Byte() { return m_next(); }
    int Below(int n) { return Byte() % n; }

    // Bytes of any value but NUL and '|' (drawn as CR LF and '~'), up to `maxLength`.
    std::string Value(std::size_t maxLength = 24) {
        std::string value;
        const std::size_t length = Byte() % (maxLength + 1);
        while (value.size() < length) {
            const std::uint8_t b = Byte();
            value += b == 0 ? std::string("\r\n") : std::string(1, b == '|' ? '~' : char(b));
        }
        return value;
    }

    void Fill(CardInfo& card, const ColDefList& defs) {
        card.Reset();
        for (const CardStringField& field : kCardStringFields)
            card.*field.member = Value();
        for (const CardSectionTag& section : kCardSectionTags)
            card.*section.flag = Below(2);
        card.m_layout->LoadBuiltIn(1 + Below(10));
        card.m_copyrightStatus = Below(3);
        if (Below(2) == 0 && !defs.empty())
            FillDefined(card, *defs[std::size_t(Below(int(defs.size())))]);
        else
            FillUserDefined(card);
    }

private:
    // Values only where the field's code leads back to it: the first field of a code
    // that the parser can carry.
    void FillDefined(CardInfo& card, const ColDef& def) {
        SetDefinedCollection(card, def);
        for (int i = 0; i < def.GetFieldCount(); ++i) {
            const std::string code = def.GetFieldCode(i);
            if (code.size() == 3 && def.FindField(code) == i && code != "end" && code != "cpr")
                card.m_fieldValues[std::size_t(i)] = Value();
        }
    }

    void FillUserDefined(CardInfo& card) {
        card.m_collectionName = Value();
        if (Below(2) == 0) {
            // Built apart and moved in: GCC 12 at -O3 takes copying text into the
            // record's string for an overlap.
            std::string code(1, 'C');
            code += std::to_string(Below(100));
            card.m_collectionCode = std::move(code);
        }
        if (card.m_collectionCode != "???" && card.m_collectionName.empty())
            card.m_collectionName = "named";  // an unnamed one with a code reads as defined
        const int count = Below(6);
        for (int i = 0; i < count; ++i) {
            std::string label = Value();
            for (char& c : label)
                c = c == '\\' ? '/' : c;
            card.m_fieldLabels.push_back(std::move(label));
            card.m_fieldValues.push_back(Value());
        }
    }

    std::function<std::uint8_t()> m_next;
};

}  // namespace fixtures
