#pragma once
// Collection definitions: the installed file official_collection.def, read once at
// start-up into a list the application owns; the parser resolves collection and
// field codes through it.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class Archive;

class ColDef {
public:
    ColDef() = default;

    void SetCode(std::string code) { m_code = std::move(code); }
    void SetName(std::string name) { m_name = std::move(name); }
    // Appends one field whose code and label are a single space each.
    void AddField();
    void SetFieldCode(int index, std::string code) { m_fieldCodes[index] = std::move(code); }
    void SetFieldLabel(int index, std::string label) { m_fieldLabels[index] = std::move(label); }

    std::string GetCode() const { return m_code; }
    std::string GetName() const { return m_name; }
    int GetFieldCount() const { return static_cast<int>(m_fieldCodes.size()); }
    std::string GetFieldCode(int index) const { return m_fieldCodes[index]; }
    std::string GetFieldLabel(int index) const { return m_fieldLabels[index]; }
    // The smallest index whose field code equals `code`, or -1.
    int FindField(const std::string& code) const;

    // Writes or reads the stored form through `archive` (collection/Archive.h):
    // version 1, code, name, then the two counted string arrays. Loading returns
    // false and leaves the definition unchanged when the data runs out.
    bool Serialize(Archive& archive);

    std::string m_code;
    std::string m_name;
    std::vector<std::string> m_fieldCodes;
    std::vector<std::string> m_fieldLabels;
};

using ColDefList = std::vector<std::unique_ptr<ColDef>>;

inline constexpr const char* kCollectionDefsFileName = "official_collection.def";

// Appends the definitions of `directory`/official_collection.def to `list`; true
// when at least one definition header was read.
bool LoadCollectionDefs(const std::string& directory, ColDefList& list);

// Reads definition blocks from `in` and appends them to `list`; true when at least
// one definition was appended. A read error stops reading: the block in progress is
// dropped and the definitions completed before it stay.
bool ParseCollectionDefs(std::istream& in, ColDefList& list);

// The first definition whose code equals `code`, or nullptr.
const ColDef* FindCollection(const ColDefList& list, const std::string& code);
