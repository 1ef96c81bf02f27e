#include "layout/ECardLayout.h"

#include <utility>

void ECardLayout::Clear() {
    m_builtIn = 0;
    m_fields.clear();
    m_objects.clear();
}

void ECardLayout::AddField(std::unique_ptr<ECardLayoutField> field) {
    if (field)
        m_fields.push_back(std::move(*field));
    m_builtIn = 0;
}

void ECardLayout::AddObject(std::unique_ptr<ECardLayoutObject> object) {
    if (object)
        m_objects.push_back(std::move(*object));
    m_builtIn = 0;
}

void ECardLayout::Draw(DeviceContext& dc, int originX, int originY) const {
    // The frame uses whatever pen and brush the caller has selected.
    dc.Rectangle(originX, originY, originX + m_width - 1, originY + m_height - 1);
    for (const auto& object : m_objects)
        object.Draw(dc, originX, originY);
}
