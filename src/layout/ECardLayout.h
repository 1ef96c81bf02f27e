#pragma once
// A business e-card layout: a card frame, filled rectangles and tagged text fields,
// built from the catalogue by number and drawn on a device context. The card
// record owns one for its whole life and has it rebuilt in place.

#include <memory>
#include <string>
#include <vector>

#include "platform/DeviceContext.h"

// One text field: shows one business-card value (by tag) at a fixed place.
class ECardLayoutField {
public:
    enum Align {
        kLeft = 0,    // text starts at the anchor
        kCenter = 1,  // text centred on the anchor
        kRight = 2,   // text ends at the anchor; any other value acts as kLeft
    };

    ECardLayoutField() = default;
    void Set(std::string tag, int x, int y, int align, std::string face, int size, COLORREF color,
             std::string label);
    // Draws the label and the value, line by line, relative to the card origin.
    void Draw(DeviceContext& dc, int originX, int originY, std::string value) const;

    std::string m_tag = "XXX";
    int m_x = 0;
    int m_y = 0;
    int m_align = kLeft;
    std::string m_face = "Arial";
    int m_size = 8;
    COLORREF m_color = 0;
    std::string m_label;
};

// One drawn element; kind 1 is a filled rectangle, every other kind draws nothing.
class ECardLayoutObject {
public:
    static constexpr int kFilledRectangle = 1;

    ECardLayoutObject() = default;
    void Set(int kind, int left, int top, int right, int bottom, COLORREF penColor,
             COLORREF fillColor);
    void Draw(DeviceContext& dc, int originX, int originY) const;

    int m_kind = 0;
    int m_left = 0;
    int m_top = 0;
    int m_right = 0;   // a coordinate, not a width
    int m_bottom = 0;  // a coordinate, not a height
    COLORREF m_penColor = 0;
    COLORREF m_fillColor = 0xFFFFFF;
};

class ECardLayout {
public:
    ECardLayout() = default;
    ECardLayout(const ECardLayout&) = delete;
    ECardLayout& operator=(const ECardLayout&) = delete;

    void Clear();
    void AddField(std::unique_ptr<ECardLayoutField> field);
    void AddObject(std::unique_ptr<ECardLayoutObject> object);
    // Draws the frame and the elements (not the fields).
    void Draw(DeviceContext& dc, int originX, int originY) const;
    // Rebuilds this layout as built-in layout `number` (1 to 10; others: empty). A
    // layout built as that number and not changed since through Clear or Add... is
    // kept as it is: every new card asks for the default one.
    void LoadBuiltIn(int number);

    int GetFieldCount() const { return static_cast<int>(m_fields.size()); }
    const ECardLayoutField& GetField(int index) const { return m_fields[index]; }

    int m_number = 0;
    int m_width = 300;
    int m_height = 150;
    COLORREF m_backColor = 0xFFFFFF;
    // Held by value: a layout is rebuilt for every card, and clearing keeps the room.
    std::vector<ECardLayoutField> m_fields;
    std::vector<ECardLayoutObject> m_objects;

private:
    int m_builtIn = 0;  // the built-in layout this one still is, or 0
};
