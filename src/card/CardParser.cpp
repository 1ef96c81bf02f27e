// CardInfo::Parse: descrambles a tSN comment and writes its tagged fields.

#include <optional>
#include <string_view>

#include "card/CardInfo.h"
#include "card/Scrambler.h"

namespace {

constexpr char kSeparator = '|';
constexpr std::size_t kTagLength = 3;
constexpr char kLabelValueSplit = '\\';

enum class Section {
    kProtocol,    // before the first section tag ("tSN")
    kGeneral,     // gen
    kBusiness,    // bca
    kCollection,  // col
    kCopyright,   // cpr
};

// Section tags in the only order in which they can follow one another directly.
struct SectionTag {
    std::string_view tag;
    Section section;
    int CardInfo::*flag;
};
constexpr SectionTag kSectionTags[] = {
    {"gen", Section::kGeneral, &CardInfo::m_hasGeneral},
    {"bca", Section::kBusiness, &CardInfo::m_hasBusiness},
    {"col", Section::kCollection, &CardInfo::m_hasCollection},
    {"cpr", Section::kCopyright, &CardInfo::m_hasCopyright},
};

// Tags whose value is copied into a string field unchanged.
struct StringTag {
    Section section;
    std::string_view tag;
    std::string CardInfo::*field;
};
constexpr StringTag kStringTags[] = {
    {Section::kProtocol, "SPV", &CardInfo::m_protocolRevision},
    {Section::kProtocol, "DCR", &CardInfo::m_creationDate},
    {Section::kProtocol, "CVE", &CardInfo::m_creatorVersion},
    {Section::kProtocol, "CNA", &CardInfo::m_creatorName},
    {Section::kGeneral, "TIT", &CardInfo::m_title},
    {Section::kGeneral, "LDE", &CardInfo::m_description},
    {Section::kBusiness, "NAM", &CardInfo::m_name},
    {Section::kBusiness, "URL", &CardInfo::m_url},
    {Section::kBusiness, "EMA", &CardInfo::m_email},
    {Section::kBusiness, "STA", &CardInfo::m_street},
    {Section::kBusiness, "PHO", &CardInfo::m_phone},
    {Section::kBusiness, "FAX", &CardInfo::m_fax},
    {Section::kBusiness, "MSG", &CardInfo::m_message},
    {Section::kCopyright, "CRE", &CardInfo::m_credits},
    {Section::kCopyright, "HLD", &CardInfo::m_holder},
};

// text[a, a + n), cut short at the end; empty when a is past the end.
std::string_view Sub(std::string_view text, std::size_t a, std::size_t n) {
    return a < text.size() ? text.substr(a, n) : std::string_view();
}

// The number of a LAY or CST value from its characters as signed bytes: the last
// one, plus ten times the first when there are exactly two. The authoring program
// never checks for digits, so neither do we. An empty value has no number.
std::optional<int> ValueNumber(std::string_view value) {
    if (value.empty()) {
        return std::nullopt;
    }
    int number = static_cast<signed char>(value.back()) - '0';
    if (value.size() == 2) {
        number += 10 * (static_cast<signed char>(value.front()) - '0');
    }
    return number;
}

// Applies the values of one comment; holds the collection state of that comment.
class FieldWriter {
public:
    FieldWriter(CardInfo& card, const ColDefList& defs) : m_card(card), m_defs(defs) {}

    void Apply(Section section, std::string_view tag, std::string_view value) {
        for (const StringTag& entry : kStringTags) {
            if (entry.section == section && entry.tag == tag) {
                (m_card.*entry.field).assign(value);
                return;
            }
        }
        if (section == Section::kBusiness && tag == "LAY") {
            if (const std::optional<int> number = ValueNumber(value)) {
                m_card.m_layout->LoadBuiltIn(*number);
            }
        } else if (section == Section::kCopyright && tag == "CST") {
            if (const std::optional<int> number = ValueNumber(value)) {
                m_card.m_copyrightStatus = *number;
            }
        } else if (section == Section::kCollection) {
            ApplyCollection(tag, value);
        }
    }

private:
    void ApplyCollection(std::string_view tag, std::string_view value) {
        if (m_codeOpen && tag == "CTY") {
            m_codeOpen = false;
            m_card.m_collectionCode.assign(value);
            if (!m_userDefined) {
                SelectDefinition(FindCollection(m_defs, m_card.m_collectionCode));
            }
        } else if (m_codeOpen && tag == "USR") {
            m_card.m_collectionName.assign(value);
            m_userDefined = true;
        } else if (m_userDefined) {
            const std::size_t split = value.find(kLabelValueSplit);
            m_card.m_fieldLabels.emplace_back(value.substr(0, split));
            m_card.m_fieldValues.emplace_back(
                split == std::string_view::npos ? std::string_view() : value.substr(split + 1));
        } else if (m_selected != nullptr) {
            // Without a selected definition there is no slot for the value: dropped.
            const int index = m_selected->FindField(std::string(tag));
            if (index >= 0 && static_cast<std::size_t>(index) < m_card.m_fieldValues.size()) {
                m_card.m_fieldValues[index].assign(value);
            }
        }
    }

    void SelectDefinition(const ColDef* def) {
        m_selected = def;
        if (def == nullptr) {
            return;
        }
        const int count = def->GetFieldCount();
        m_card.m_collectionName = def->GetName();
        m_card.m_fieldLabels.resize(count);
        m_card.m_fieldValues.resize(count);
        for (int i = 0; i < count; ++i) {
            m_card.m_fieldLabels[i] = def->GetFieldLabel(i);
        }
    }

    CardInfo& m_card;
    const ColDefList& m_defs;
    bool m_codeOpen = true;
    bool m_userDefined = false;
    const ColDef* m_selected = nullptr;
};

}  // namespace

bool CardInfo::Parse(const ColDefList& defs, std::string text) {
    DescrambleComment(text, CommentGenerator());

    const std::string_view t(text);
    const std::size_t length = t.size();
    FieldWriter writer(*this, defs);
    Section section = Section::kProtocol;
    std::string_view tag = "tSN";
    // p scans, s starts the current value; s = 1 only before the first separator,
    // so whatever stands between the mark and it is skipped.
    std::size_t p = 1;
    std::size_t s = 1;
    const auto readTag = [&] {
        tag = Sub(t, p + 1, kTagLength);
        p += 1 + kTagLength;
        s = p;
    };
    for (;;) {
        if (p < length) {
            const std::size_t separator = t.find(kSeparator, p);
            p = separator == std::string_view::npos ? length : separator;
        }
        if (s != 1) {
            writer.Apply(section, tag, Sub(t, s, p - s));
        }
        readTag();
        // A section tag right after another one counts only if it comes later in
        // this order; otherwise it is a field tag of the section just opened.
        for (const SectionTag& entry : kSectionTags) {
            if (tag == entry.tag) {
                this->*entry.flag = 1;
                section = entry.section;
                readTag();
            }
        }
        if (tag == "end" || p >= length) {
            return true;
        }
    }
}
