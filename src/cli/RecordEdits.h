#pragma once
// What `tsn-card set` changes in a record: the --from record, then the FIELDS in
// their order. Every value is checked and turned into Windows-1252 once, before any
// file is touched; the edits are then applied to each image's record in turn.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CardOptions.h"
#include "collection/ColDef.h"

class CardInfo;

class RecordEdits {
public:
    explicit RecordEdits(const ColDefList& defs) : m_defs(defs) {}

    // Each returns the refusal, naming the field, or an empty text when accepted.
    // `json`: one tsn-dump --json object.
    std::string AddJson(std::string_view json);
    std::string AddFields(const std::vector<FieldEdit>& edits);

    void ApplyTo(CardInfo& card) const;

    // The creation date of the --from record, when it has one.
    const std::optional<std::string>& CreationDate() const { return m_creationDate; }

private:
    using Step = std::function<void(CardInfo&)>;
    class JsonReader;
    class FieldReader;

    const ColDefList& m_defs;
    std::vector<Step> m_steps;
    std::optional<std::string> m_creationDate;
};

// UTF-8 text as card bytes: line breaks as CR LF, refused (false, `refusal` naming
// `field`) when it holds a character Windows-1252 cannot hold or a '|'.
bool CardText(const std::string& field, std::string_view utf8, std::string& bytes,
              std::string& refusal);
