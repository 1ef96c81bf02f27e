// Arbitrary bytes as a collection definitions file: parse, look up every code
// found, and store and reload every definition.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "collection/Archive.h"
#include "collection/ColDef.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    ColDefList list;
    const bool found = ParseCollectionDefs(in, list);
    if (found == list.empty()) {
        std::abort();
    }
    for (const auto& definition : list) {
        if (definition->m_fieldCodes.size() != definition->m_fieldLabels.size()) {
            std::abort();
        }
        const ColDef* first = FindCollection(list, definition->GetCode());
        if (first == nullptr || first->GetCode() != definition->GetCode()) {
            std::abort();
        }
        for (int i = 0; i < definition->GetFieldCount(); ++i) {
            const int index = definition->FindField(definition->GetFieldCode(i));
            if (index < 0 || index > i) {
                std::abort();
            }
        }

        Archive store = Archive::ForStoring();
        definition->Serialize(store);
        Archive load = Archive::ForLoading(store.Bytes());
        ColDef copy;
        if (!copy.Serialize(load) || load.Remaining() != 0 || copy.m_code != definition->m_code ||
            copy.m_name != definition->m_name || copy.m_fieldCodes != definition->m_fieldCodes ||
            copy.m_fieldLabels != definition->m_fieldLabels) {
            std::abort();
        }
    }

    // The same bytes as a stored definition: must fail or succeed cleanly.
    Archive hostile = Archive::ForLoading(std::vector<std::uint8_t>(data, data + size));
    ColDef loaded;
    loaded.Serialize(hostile);
    return 0;
}
