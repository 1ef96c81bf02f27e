#include "collection/ColDef.h"

#include <cstdint>

#include "collection/Archive.h"

void ColDef::AddField() {
    m_fieldCodes.emplace_back(" ");
    m_fieldLabels.emplace_back(" ");
}

int ColDef::FindField(const std::string& code) const {
    for (std::size_t i = 0; i < m_fieldCodes.size(); ++i) {
        if (m_fieldCodes[i] == code) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

namespace {

constexpr std::int32_t kStoredVersion = 1;

void StoreStrings(Archive& archive, const std::vector<std::string>& strings) {
    archive.WriteInt32(static_cast<std::int32_t>(strings.size()));
    for (const std::string& text : strings) {
        archive.WriteString(text);
    }
}

// The count comes from the data, so nothing is reserved up front: every string
// takes at least one byte, and reading stops when the data runs out.
bool LoadStrings(Archive& archive, std::vector<std::string>& strings) {
    std::int32_t count = 0;
    if (!archive.ReadInt32(count)) {
        return false;
    }
    strings.clear();
    for (std::int32_t i = 0; i < count; ++i) {
        std::string text;
        if (!archive.ReadString(text)) {
            return false;
        }
        strings.push_back(std::move(text));
    }
    return true;
}

}  // namespace

bool ColDef::Serialize(Archive& archive) {
    if (archive.IsStoring()) {
        archive.WriteInt32(kStoredVersion);
        archive.WriteString(m_code);
        archive.WriteString(m_name);
        StoreStrings(archive, m_fieldCodes);
        StoreStrings(archive, m_fieldLabels);
        return true;
    }
    // Load into a copy so that a cut-off archive leaves this definition as it was.
    std::int32_t version = 0;
    ColDef loaded;
    if (!archive.ReadInt32(version) || !archive.ReadString(loaded.m_code) ||
        !archive.ReadString(loaded.m_name) || !LoadStrings(archive, loaded.m_fieldCodes) ||
        !LoadStrings(archive, loaded.m_fieldLabels)) {
        return false;
    }
    *this = std::move(loaded);
    return true;
}

const ColDef* FindCollection(const ColDefList& list, const std::string& code) {
    for (const auto& definition : list) {
        if (definition && definition->m_code == code) {
            return definition.get();
        }
    }
    return nullptr;
}
