#include "cli/RecordEdits.h"

#include <charconv>
#include <nlohmann/json.hpp>

#include "card/CardInfo.h"
#include "platform/Win1252.h"

namespace {

using Json = nlohmann::json;

constexpr int kFirstLayout = 1;
constexpr int kLastLayout = 10;

// "\n" and "\r\n" both become the viewer's CR LF.
std::string CrLfLineBreaks(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

std::optional<int> WholeNumber(std::string_view text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<int> CopyrightStatus(std::string_view text) {
    if (text == "copyrighted" || text == "0")
        return 0;
    if (text == "protected" || text == "1")
        return 1;
    if (text == "public-domain" || text == "2")
        return 2;
    return std::nullopt;
}

std::vector<std::string> DefinitionLabels(const ColDef& def) {
    std::vector<std::string> labels;
    for (int i = 0; i < def.GetFieldCount(); ++i)
        labels.push_back(def.GetFieldLabel(i));
    return labels;
}

// A collection of the record that is not one of the definitions file.
bool IsUserDefined(const ColDefList& defs, const CardInfo& card) {
    return FindCollection(defs, card.m_collectionCode) == nullptr;
}

}  // namespace

bool CardText(const std::string& field, std::string_view utf8, std::string& bytes,
              std::string& refusal) {
    std::string refused;
    std::optional<std::string> converted = Utf8ToWin1252(utf8, &refused);
    if (!converted) {
        refusal = field + ": " + refused + " cannot be held in a card (Windows-1252)";
        return false;
    }
    if (converted->find('|') != std::string::npos) {
        refusal = field + ": '|' cannot be held in a card";
        return false;
    }
    bytes = CrLfLineBreaks(*converted);
    return true;
}

// Reads one tsn-dump --json object into steps; the first refusal stops it.
class RecordEdits::JsonReader {
public:
    explicit JsonReader(RecordEdits& edits) : m_edits(edits) {}

    std::string Read(std::string_view text) {
        const Json record = Json::parse(text, nullptr, false);
        if (!record.is_object())
            return "--from: not a JSON object";
        Protocol(record);
        Card(record, "general", &CardInfo::m_hasGeneral, [&](const Json& card) { General(card); });
        Card(record, "business", &CardInfo::m_hasBusiness,
             [&](const Json& card) { Business(card); });
        Card(record, "collection", &CardInfo::m_hasCollection,
             [&](const Json& card) { Collection(card); });
        Card(record, "copyright", &CardInfo::m_hasCopyright,
             [&](const Json& card) { Copyright(card); });
        return m_refusal;
    }

private:
    using Field = std::string CardInfo::*;

    template <typename Fields>
    void Card(const Json& record, const char* key, int CardInfo::*flag, Fields fields) {
        if (!record.contains(key) || !m_refusal.empty())
            return;
        const Json& card = record[key];
        m_card = key;
        if (!card.is_object())
            return Refuse("not an object");
        if (card.contains("present") && !card["present"].is_boolean())
            return Refuse("present: not true or false");
        const bool present = !card.contains("present") || card["present"] == true;
        m_edits.m_steps.push_back([flag, present](CardInfo& c) { c.*flag = present ? 1 : 0; });
        if (present)
            fields(card);
    }

    void Protocol(const Json& record) {
        m_card = "protocol";
        if (record.contains("protocol") && record["protocol"].is_object()) {
            std::string date;
            if (Text(record["protocol"], "creation_date", date) && !date.empty())
                m_edits.m_creationDate = date;
        }
    }

    void General(const Json& card) {
        String(card, "title", &CardInfo::m_title);
        String(card, "description", &CardInfo::m_description);
    }

    void Business(const Json& card) {
        if (card.contains("layout")) {
            const Json& layout = card["layout"];
            if (!layout.is_number_integer() || layout < kFirstLayout || layout > kLastLayout)
                return Refuse("layout: not a layout number from 1 to 10");
            const int number = layout;
            m_edits.m_steps.push_back([number](CardInfo& c) { c.m_layout->LoadBuiltIn(number); });
        }
        for (auto [key, field] : {std::pair{"name", &CardInfo::m_name},
                                  {"street", &CardInfo::m_street},
                                  {"phone", &CardInfo::m_phone},
                                  {"fax", &CardInfo::m_fax},
                                  {"url", &CardInfo::m_url},
                                  {"email", &CardInfo::m_email},
                                  {"message", &CardInfo::m_message}})
            String(card, key, field);
    }

    void Collection(const Json& card) {
        String(card, "code", &CardInfo::m_collectionCode);
        String(card, "name", &CardInfo::m_collectionName);
        std::vector<std::string> labels, values;
        const bool hasLabels = Texts(card, "labels", labels);
        const bool hasValues = Texts(card, "values", values);
        if (!m_refusal.empty())
            return;
        if (hasLabels != hasValues || labels.size() != values.size())
            return Refuse("labels and values: not two arrays of the same length");
        const ColDef* def = FindCollection(m_edits.m_defs, card.value("code", std::string()));
        if (hasLabels && !(def && labels == DefinitionLabels(*def)))
            for (const std::string& label : labels)
                if (label.find('\\') != std::string::npos)
                    return Refuse("labels: a backslash cannot be held in a label");
        m_edits.m_steps.push_back([labels, values, hasLabels, &defs = m_edits.m_defs](CardInfo& c) {
            if (hasLabels) {
                c.m_fieldLabels = labels;
                c.m_fieldValues = values;
            }
            // A collection of the definitions file, named by its code alone or with its
            // own labels, is that definition: its name, its labels, a value for each.
            const ColDef* def = FindCollection(defs, c.m_collectionCode);
            if (def && (!hasLabels || labels == DefinitionLabels(*def))) {
                c.m_collectionName = def->GetName();
                c.m_fieldLabels = DefinitionLabels(*def);
                c.m_fieldValues.resize(c.m_fieldLabels.size());
            }
        });
    }

    void Copyright(const Json& card) {
        if (card.contains("status")) {
            const Json& status = card["status"];
            if (!status.is_number_integer() || status < 0 || status > 2)
                return Refuse("status: not 0, 1 or 2");
            const int number = status;
            m_edits.m_steps.push_back([number](CardInfo& c) { c.m_copyrightStatus = number; });
        }
        String(card, "credits", &CardInfo::m_credits);
        String(card, "holder", &CardInfo::m_holder);
    }

    void String(const Json& card, const char* key, Field field) {
        std::string bytes;
        if (Text(card, key, bytes))
            m_edits.m_steps.push_back([field, bytes](CardInfo& c) { c.*field = bytes; });
    }

    // True when `key` is there and its text accepted into `bytes`.
    bool Text(const Json& card, const char* key, std::string& bytes) {
        if (!m_refusal.empty() || !card.contains(key))
            return false;
        if (!card[key].is_string()) {
            Refuse(std::string(key) + ": not a string");
            return false;
        }
        return CardText(FieldName(key), card[key].get<std::string>(), bytes, m_refusal);
    }

    bool Texts(const Json& card, const char* key, std::vector<std::string>& items) {
        if (!m_refusal.empty() || !card.contains(key))
            return false;
        if (!card[key].is_array())
            return Refuse(std::string(key) + ": not an array"), false;
        for (const Json& item : card[key]) {
            std::string bytes;
            if (!item.is_string())
                return Refuse(std::string(key) + ": not an array of strings"), false;
            if (!CardText(FieldName(key), item.get<std::string>(), bytes, m_refusal))
                return false;
            items.push_back(std::move(bytes));
        }
        return true;
    }

    std::string FieldName(const std::string& key) const { return "--from " + m_card + "." + key; }

    void Refuse(const std::string& why) {
        if (m_refusal.empty())
            m_refusal = "--from " + m_card + (why.starts_with("not") ? ": " : ".") + why;
    }

    RecordEdits& m_edits;
    std::string m_card;
    std::string m_refusal;
};

// Turns the FIELDS into steps; the first refusal stops it.
class RecordEdits::FieldReader {
public:
    explicit FieldReader(RecordEdits& edits) : m_edits(edits) {}

    std::string Read(const std::vector<FieldEdit>& fields) {
        for (const FieldEdit& edit : fields) {
            m_option = edit.option;
            if (!Apply(edit.value))
                break;
        }
        return m_refusal;
    }

private:
    using Field = std::string CardInfo::*;
    using Flag = int CardInfo::*;

    bool Apply(const std::string& value) {
        for (auto [option, flag] : {std::pair{"--no-general", &CardInfo::m_hasGeneral},
                                    {"--no-business", &CardInfo::m_hasBusiness},
                                    {"--no-collection", &CardInfo::m_hasCollection},
                                    {"--no-copyright", &CardInfo::m_hasCopyright}})
            if (m_option == option)
                return Add([member = flag](CardInfo& c) { c.*member = 0; });
        for (auto [option, flag, field] : kTextFields)
            if (m_option == option)
                return SetText(value, flag, field);
        if (m_option == "--layout")
            return Layout(value);
        if (m_option == "--status")
            return Status(value);
        if (m_option == "--collection")
            return DefinedCollection(value);
        if (m_option == "--user-collection")
            return UserCollection(value);
        return CollectionField(value);
    }

    struct TextField {
        const char* option;
        Flag flag;
        Field field;
    };
    static constexpr TextField kTextFields[] = {
        {"--title", &CardInfo::m_hasGeneral, &CardInfo::m_title},
        {"--description", &CardInfo::m_hasGeneral, &CardInfo::m_description},
        {"--name", &CardInfo::m_hasBusiness, &CardInfo::m_name},
        {"--street", &CardInfo::m_hasBusiness, &CardInfo::m_street},
        {"--phone", &CardInfo::m_hasBusiness, &CardInfo::m_phone},
        {"--fax", &CardInfo::m_hasBusiness, &CardInfo::m_fax},
        {"--url", &CardInfo::m_hasBusiness, &CardInfo::m_url},
        {"--email", &CardInfo::m_hasBusiness, &CardInfo::m_email},
        {"--message", &CardInfo::m_hasBusiness, &CardInfo::m_message},
        {"--credits", &CardInfo::m_hasCopyright, &CardInfo::m_credits},
        {"--holder", &CardInfo::m_hasCopyright, &CardInfo::m_holder},
    };

    bool SetText(const std::string& value, Flag flag, Field field) {
        std::string bytes;
        if (!CardText(m_option, value, bytes, m_refusal))
            return false;
        return Add([flag, field, bytes](CardInfo& c) {
            c.*flag = 1;
            c.*field = bytes;
        });
    }

    bool Layout(const std::string& value) {
        const std::optional<int> number = WholeNumber(value);
        if (!number || *number < kFirstLayout || *number > kLastLayout)
            return Refuse("a layout number from 1 to 10, not '" + value + "'");
        return Add([n = *number](CardInfo& c) {
            c.m_hasBusiness = 1;
            c.m_layout->LoadBuiltIn(n);
        });
    }

    bool Status(const std::string& value) {
        const std::optional<int> status = CopyrightStatus(value);
        if (!status)
            return Refuse("copyrighted, protected or public-domain (0, 1, 2), not '" + value + "'");
        return Add([s = *status](CardInfo& c) {
            c.m_hasCopyright = 1;
            c.m_copyrightStatus = s;
        });
    }

    // Values already held for the same collection stay; another one starts empty.
    bool DefinedCollection(const std::string& code) {
        m_collection = FindCollection(m_edits.m_defs, code);
        m_userCollection = false;
        if (!m_collection)
            return Refuse("unknown collection code '" + code + "'");
        return Add([def = m_collection](CardInfo& c) {
            if (!c.m_hasCollection || c.m_collectionCode != def->GetCode())
                c.m_fieldValues.clear();
            c.m_hasCollection = 1;
            c.m_collectionCode = def->GetCode();
            c.m_collectionName = def->GetName();
            c.m_fieldLabels = DefinitionLabels(*def);
            c.m_fieldValues.resize(c.m_fieldLabels.size());
        });
    }

    // The fields of the same user-defined collection stay; another one starts empty.
    bool UserCollection(const std::string& name) {
        std::string bytes;
        if (!CardText(m_option, name, bytes, m_refusal))
            return false;
        m_collection = nullptr;
        m_userCollection = true;
        return Add([bytes, &defs = m_edits.m_defs](CardInfo& c) {
            const bool same =
                c.m_hasCollection && c.m_collectionName == bytes && IsUserDefined(defs, c);
            c.m_hasCollection = 1;
            c.m_collectionName = bytes;
            if (same)
                return;
            c.m_collectionCode = "???";
            c.m_fieldLabels.clear();
            c.m_fieldValues.clear();
        });
    }

    bool CollectionField(const std::string& assignment) {
        const std::size_t equals = assignment.find('=');
        if (equals == std::string::npos)
            return Refuse("CODE=VALUE or LABEL=VALUE, not '" + assignment + "'");
        std::string key, value;
        if (!CardText(m_option, assignment.substr(0, equals), key, m_refusal) ||
            !CardText(m_option, assignment.substr(equals + 1), value, m_refusal))
            return false;
        if (m_collection)
            return DefinedField(key, value);
        if (!m_userCollection)
            return Refuse("comes after --collection or --user-collection");
        if (key.find('\\') != std::string::npos)
            return Refuse("a backslash cannot be held in a label");
        return Add([key, value](CardInfo& c) {
            for (std::size_t i = 0; i < c.m_fieldLabels.size(); ++i)
                if (c.m_fieldLabels[i] == key)
                    return void(c.m_fieldValues[i] = value);
            c.m_fieldLabels.push_back(key);
            c.m_fieldValues.push_back(value);
        });
    }

    bool DefinedField(const std::string& code, const std::string& value) {
        const int index = m_collection->FindField(code);
        if (index < 0)
            return Refuse("unknown field code '" + code + "' of collection " +
                          m_collection->GetCode());
        return Add([index, value](CardInfo& c) { c.m_fieldValues[index] = value; });
    }

    bool Add(Step step) {
        m_edits.m_steps.push_back(std::move(step));
        return true;
    }

    bool Refuse(const std::string& why) {
        m_refusal = m_option + ": " + why;
        return false;
    }

    RecordEdits& m_edits;
    std::string m_option;
    std::string m_refusal;
    const ColDef* m_collection = nullptr;
    bool m_userCollection = false;
};

std::string RecordEdits::AddJson(std::string_view json) {
    return JsonReader(*this).Read(json);
}

std::string RecordEdits::AddFields(const std::vector<FieldEdit>& edits) {
    return FieldReader(*this).Read(edits);
}

void RecordEdits::ApplyTo(CardInfo& card) const {
    for (const Step& step : m_steps)
        step(card);
}
