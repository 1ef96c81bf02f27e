#include "writer/CardSerializer.h"

#include <string_view>

#include "writer/CardTags.h"

namespace {

constexpr std::string_view kMark = "tSN";
constexpr std::string_view kTerminator = "|end";
constexpr std::string_view kDefaultCollectionCode = "???";
// User-defined collection fields carry "label\value"; the parser does not keep the tag.
constexpr std::string_view kUserFieldTag = "FLD";
constexpr char kLabelValueSplit = '\\';
// Room left in every comment for the spaces scrambling may have to add.
constexpr std::size_t kPaddingReserve = 64;
constexpr int kFirstLayout = 1;
constexpr int kLastLayout = 10;
constexpr int kLastStatus = 2;

// Tags the parser reads as a section or the end wherever they stand.
bool IsStructuralTag(std::string_view tag) {
    if (tag == "end")
        return true;
    for (const CardSectionTag& section : kCardSectionTags) {
        if (section.tag == tag)
            return true;
    }
    return false;
}

// One section as written: the lead (section tag, then what every comment holding its
// fields repeats) and its fields, each "|TAGvalue".
struct SectionText {
    std::string lead;
    std::vector<std::string> fields;
    std::vector<std::string> names;  // of the fields, for refusals
};

class Serializer {
public:
    Serializer(const CardInfo& card, const ColDefList& defs) : m_card(card), m_defs(defs) {}

    PlainCardComments Run(std::size_t maxBytes) {
        std::string protocol;
        for (const CardStringField& field : kCardStringFields) {
            if (field.section == CardSection::kProtocol)
                protocol += Field(field.tag, m_card.*field.member, field.name);
        }
        std::vector<SectionText> sections;
        for (const CardSectionTag& section : kCardSectionTags) {
            if (m_card.*section.flag)
                sections.push_back(Section(section));
        }
        const std::size_t budget = maxBytes > kPaddingReserve ? maxBytes - kPaddingReserve : 0;
        Split(std::string(kMark) + protocol, sections, budget);
        if (!m_result.ok())
            m_result.comments.clear();
        return std::move(m_result);
    }

private:
    void Refuse(std::string field, std::string reason) {
        m_result.refusals.push_back({std::move(field), std::move(reason)});
    }

    // "|TAGvalue", the value checked for what the format cannot carry.
    std::string Field(std::string_view tag, std::string_view value, const std::string& name) {
        if (value.find('|') != std::string_view::npos)
            Refuse(name, "contains '|', which the card format cannot carry");
        if (value.find('\0') != std::string_view::npos)
            Refuse(name, "contains a NUL byte, which ends an image comment");
        std::string text = "|";
        text.append(tag).append(value);
        return text;
    }

    SectionText Section(const CardSectionTag& section) {
        SectionText text;
        text.lead = "|";
        text.lead.append(section.tag);
        switch (section.section) {
            case CardSection::kBusiness:
                AddNumber(text, "LAY", m_card.m_layout->m_number, kFirstLayout, kLastLayout,
                          "layout");
                break;
            case CardSection::kCopyright:
                AddNumber(text, "CST", m_card.m_copyrightStatus, 0, kLastStatus, "status");
                break;
            case CardSection::kCollection:
                AddCollection(text);
                break;
            default:
                break;
        }
        for (const CardStringField& field : kCardStringFields) {
            if (field.section == section.section)
                Add(text, Field(field.tag, m_card.*field.member, field.name), field.name);
        }
        return text;
    }

    static void Add(SectionText& text, std::string field, std::string name) {
        text.fields.push_back(std::move(field));
        text.names.push_back(std::move(name));
    }

    void AddNumber(SectionText& text, std::string_view tag, int number, int first, int last,
                   const char* name) {
        if (number < first || number > last) {
            Refuse(name, std::to_string(number) + " is outside " + std::to_string(first) + "-" +
                             std::to_string(last));
            return;
        }
        Add(text, Field(tag, std::to_string(number), name), name);
    }

    void AddCollection(SectionText& text) {
        const std::string& code = m_card.m_collectionCode;
        if (m_card.m_fieldLabels.size() != m_card.m_fieldValues.size()) {
            Refuse("collection", "has not as many values as labels");
            return;
        }
        if (const ColDef* def = DefinedCollectionOf(m_card, m_defs)) {
            text.lead += Field("CTY", code, "collection code");
            AddDefinedFields(text, *def);
            return;
        }
        const bool plainCode = code == kDefaultCollectionCode;
        if (!plainCode && m_card.m_collectionName.empty() && m_card.m_fieldLabels.empty()) {
            Refuse("collection code", "'" + code + "' is not a collection of the definitions");
            return;
        }
        // User-defined: the name opens it; a code of its own follows, else the code
        // stays the default.
        text.lead += Field("USR", m_card.m_collectionName, "collection name");
        if (!plainCode)
            text.lead += Field("CTY", code, "collection code");
        for (std::size_t i = 0; i < m_card.m_fieldLabels.size(); ++i) {
            const std::string& label = m_card.m_fieldLabels[i];
            const std::string name = "collection field '" + label + "'";
            if (label.find(kLabelValueSplit) != std::string::npos)
                Refuse(name, "a label cannot contain a backslash");
            Add(text,
                Field(kUserFieldTag, label + kLabelValueSplit + m_card.m_fieldValues[i], name),
                name);
        }
    }

    // Each field under its code; a field whose code the parser cannot lead back to it
    // (too short, shared with an earlier field, read as a section) can only be empty.
    void AddDefinedFields(SectionText& text, const ColDef& def) {
        for (int i = 0; i < def.GetFieldCount(); ++i) {
            const std::string code = def.GetFieldCode(i);
            const std::string& value = m_card.m_fieldValues[static_cast<std::size_t>(i)];
            const std::string name = "collection field '" + def.GetFieldLabel(i) + "'";
            const bool reachable =
                code.size() == 3 && def.FindField(code) == i && !IsStructuralTag(code) &&
                code.find_first_of(std::string_view("|\0", 2)) == std::string::npos;
            if (reachable)
                Add(text, Field(code, value, name), name);
            else if (!value.empty())
                Refuse(name, "its field code '" + code + "' cannot carry a value");
        }
    }

    // Fills comments of at most `budget` bytes: each starts with `head`, holds whole
    // fields, repeats the lead of every section it holds fields of, and ends with the
    // terminator.
    void Split(const std::string& head, const std::vector<SectionText>& sections,
               std::size_t budget) {
        std::string piece = head;
        const auto fits = [&](std::size_t more) {
            return piece.size() + more + kTerminator.size() <= budget;
        };
        const auto close = [&] {
            piece += kTerminator;
            m_result.comments.push_back(std::move(piece));
            piece = head;
        };
        if (head.size() + kTerminator.size() > budget)
            Refuse("protocol", "too long for one card comment");
        for (const SectionText& section : sections) {
            if (head.size() + section.lead.size() + kTerminator.size() > budget) {
                Refuse("collection name", "too long for one card comment");
                continue;
            }
            bool open = false;
            if (section.fields.empty()) {
                if (!fits(section.lead.size()) && piece.size() > head.size())
                    close();
                piece += section.lead;
            }
            for (std::size_t i = 0; i < section.fields.size(); ++i) {
                const std::string& field = section.fields[i];
                if (head.size() + section.lead.size() + field.size() + kTerminator.size() >
                    budget) {
                    Refuse(section.names[i], "too long for one card comment");
                    continue;
                }
                if (!fits((open ? 0 : section.lead.size()) + field.size())) {
                    close();
                    open = false;
                }
                if (!open)
                    piece += section.lead;
                open = true;
                piece += field;
            }
        }
        close();
    }

    const CardInfo& m_card;
    const ColDefList& m_defs;
    PlainCardComments m_result;
};

}  // namespace

const ColDef* DefinedCollectionOf(const CardInfo& card, const ColDefList& defs) {
    const ColDef* def = FindCollection(defs, card.m_collectionCode);
    if (def == nullptr || def->GetName() != card.m_collectionName ||
        def->m_fieldLabels != card.m_fieldLabels ||
        card.m_fieldValues.size() != card.m_fieldLabels.size())
        return nullptr;
    return def;
}

PlainCardComments SerializeCard(const CardInfo& card, const ColDefList& defs,
                                std::size_t maxBytes) {
    return Serializer(card, defs).Run(maxBytes);
}

std::vector<CardRefusal> CheckCardRecord(const CardInfo& card, const ColDefList& defs) {
    return SerializeCard(card, defs).refusals;
}
