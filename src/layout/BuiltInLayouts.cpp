// The ten built-in business-card layouts, held as rows: one table for the frames,
// one for the filled rectangles and one for the text fields, each in adding order.

#include <algorithm>
#include <array>

#include "layout/ECardLayout.h"

namespace {

struct FrameRow {
    int layout;
    int width;
    int height;
    COLORREF background;
};

struct ElementRow {
    int layout;
    int left;
    int top;
    int right;
    int bottom;
    COLORREF color;  // pen and fill alike
};

struct FieldRow {
    int layout;
    const char* tag;
    int x;
    int y;
    int align;
    const char* face;
    int size;
    COLORREF color;
    const char* label;
};

constexpr int L = ECardLayoutField::kLeft;
constexpr int C = ECardLayoutField::kCenter;
constexpr int R = ECardLayoutField::kRight;

constexpr std::array<FrameRow, 10> kFrames{{
    {1, 350, 200, 0xFFFFFF},
    {2, 350, 200, 0xFFFFFF},
    {3, 300, 170, 0xFFFFFF},
    {4, 300, 170, 0xFFFFFF},
    {5, 320, 170, 0xFFFFFF},
    {6, 320, 170, 0xFFFFFF},
    {7, 320, 170, 0xFFFFFF},
    {8, 300, 170, 0xFFFFFF},
    {9, 330, 170, 0xFFFFFF},
    {10, 330, 170, 0xFFFFFF},
}};

constexpr std::array<ElementRow, 12> kElements{{
    {5, 1, 1, 318, 59, 0x700000},
    {6, 1, 1, 55, 168, 0x007FFF},
    {7, 290, 1, 318, 168, 0x007F00},
    {7, 1, 1, 4, 168, 0x007F00},
    {9, 1, 1, 328, 8, 0x00FFFF},
    {9, 1, 160, 328, 168, 0x00FFFF},
    {9, 1, 67, 328, 72, 0x00FFFF},
    {10, 1, 1, 308, 48, 0x004F00},
    {10, 20, 62, 308, 106, 0xAFFF9F},
    {10, 20, 120, 328, 168, 0x004F00},
    {10, 1, 44, 200, 48, 0x008F00},
    {10, 128, 120, 328, 124, 0x008F00},
}};

// clang-format off
constexpr std::array<FieldRow, 61> kFields{{
    {1, "NAM", 175, 15, C, "Arial", 30, 0x000000, ""},
    {1, "MSG", 175, 45, C, "Arial", 14, 0xFF0000, ""},
    {1, "URL", 175, 85, C, "Arial", 16, 0x000000, ""},
    {1, "STA", 20, 140, L, "Arial", 14, 0x000000, ""},
    {1, "PHO", 330, 140, R, "Arial", 14, 0x000000, "Phone : "},
    {1, "FAX", 330, 154, R, "Arial", 14, 0x000000, "Fax : "},
    {1, "EMA", 330, 168, R, "Arial", 14, 0x000000, "Email : "},

    {2, "NAM", 330, 15, R, "Arial", 30, 0x000000, ""},
    {2, "MSG", 330, 45, R, "Arial", 14, 0xFF0000, ""},
    {2, "URL", 330, 85, R, "Arial", 16, 0x000000, ""},
    {2, "STA", 20, 140, L, "Arial", 14, 0x000000, ""},
    {2, "PHO", 330, 140, R, "Arial", 14, 0x000000, "Phone : "},
    {2, "FAX", 330, 154, R, "Arial", 14, 0x000000, "Fax : "},
    {2, "EMA", 330, 168, R, "Arial", 14, 0x000000, "Email : "},

    {3, "NAM", 150, 12, C, "Arial", 24, 0x000000, ""},
    {3, "MSG", 150, 40, C, "Arial", 14, 0xFF0000, ""},
    {3, "URL", 150, 72, C, "Arial", 16, 0x000000, ""},
    {3, "STA", 16, 112, L, "Arial", 14, 0x000000, ""},
    {3, "PHO", 284, 112, R, "Arial", 14, 0x000000, "Phone : "},
    {3, "FAX", 284, 126, R, "Arial", 14, 0x000000, "Fax : "},
    {3, "EMA", 284, 140, R, "Arial", 14, 0x000000, "Email : "},

    {4, "NAM", 284, 12, R, "Arial", 24, 0x000000, ""},
    {4, "MSG", 284, 40, R, "Arial", 14, 0xFF0000, ""},
    {4, "URL", 284, 72, R, "Arial", 16, 0x000000, ""},
    {4, "STA", 16, 112, L, "Arial", 14, 0x000000, ""},
    {4, "PHO", 284, 112, R, "Arial", 14, 0x000000, "Phone : "},
    {4, "FAX", 284, 126, R, "Arial", 14, 0x000000, "Fax : "},
    {4, "EMA", 284, 140, R, "Arial", 14, 0x000000, "Email : "},

    {5, "NAM", 304, 10, R, "Arial", 26, 0xFFFFFF, ""},
    {5, "MSG", 304, 35, R, "Arial", 14, 0x00FFFF, ""},
    {5, "URL", 160, 75, C, "Arial", 16, 0x000000, ""},
    {5, "STA", 16, 112, L, "Arial", 14, 0x000000, ""},
    {5, "PHO", 304, 112, R, "Arial", 14, 0x000000, "Phone : "},
    {5, "FAX", 304, 126, R, "Arial", 14, 0x000000, "Fax : "},
    {5, "EMA", 304, 140, R, "Arial", 14, 0x000000, "Email : "},

    {6, "NAM", 14, 10, L, "Courier", 24, 0x000000, ""},
    {6, "MSG", 58, 35, L, "Arial", 14, 0x000000, ""},
    {6, "URL", 58, 72, L, "Arial", 16, 0x000000, ""},
    {6, "STA", 304, 112, R, "Arial", 14, 0x000000, ""},
    {6, "PHO", 16, 112, L, "Arial", 14, 0x000000, "Phone : "},
    {6, "FAX", 16, 126, L, "Arial", 14, 0x000000, "Fax : "},
    {6, "EMA", 16, 140, L, "Arial", 14, 0x000000, "Email : "},

    {7, "NAM", 280, 10, R, "Courier", 25, 0x000000, ""},
    {7, "MSG", 280, 35, R, "Arial", 14, 0x000000, ""},
    {7, "URL", 280, 72, R, "Arial", 16, 0x000000, ""},
    {7, "STA", 280, 114, R, "Arial", 14, 0x000000, ""},
    {7, "PHO", 16, 114, L, "Arial", 14, 0x000000, "Phone : "},
    {7, "FAX", 16, 128, L, "Arial", 14, 0x000000, "Fax : "},
    {7, "EMA", 16, 142, L, "Arial", 14, 0x000000, "Email : "},

    {8, "NAM", 150, 12, C, "Arial", 24, 0x000000, ""},
    {8, "MSG", 150, 40, C, "Arial", 14, 0xFF0000, ""},
    {8, "URL", 150, 72, C, "Arial", 16, 0x000000, ""},
    {8, "EMA", 150, 130, C, "Arial", 18, 0x000000, ""},

    {9, "NAM", 165, 15, C, "Arial", 25, 0x000000, ""},
    {9, "MSG", 165, 45, C, "Arial", 14, 0xFF0000, ""},
    {9, "URL", 165, 90, C, "Arial", 16, 0x000000, ""},
    {9, "EMA", 165, 124, C, "Arial", 18, 0x000000, ""},

    {10, "NAM", 10, 12, L, "Courier", 23, 0xFFFFFF, ""},
    {10, "EMA", 165, 75, C, "courier", 18, 0x000000, ""},  // lower case: the font mapper gets it as written
    {10, "MSG", 320, 129, R, "Arial", 14, 0xFFFFFF, ""},
    {10, "URL", 320, 144, R, "Arial", 16, 0x0FFFFF, ""},
}};
// clang-format on

}  // namespace

void ECardLayout::LoadBuiltIn(int number) {
    if (number != 0 && number == m_builtIn)
        return;
    m_number = number;
    Clear();

    const FrameRow* frame = nullptr;
    for (const FrameRow& row : kFrames) {
        if (row.layout == number)
            frame = &row;
    }
    // Unknown numbers leave an empty card at the frame size it already had.
    if (!frame)
        return;

    m_width = frame->width;
    m_height = frame->height;
    m_backColor = frame->background;
    const auto ofThisLayout = [number](const auto& row) { return row.layout == number; };
    m_objects.reserve(std::size_t(std::count_if(kElements.begin(), kElements.end(), ofThisLayout)));
    m_fields.reserve(std::size_t(std::count_if(kFields.begin(), kFields.end(), ofThisLayout)));
    for (const ElementRow& row : kElements) {
        if (ofThisLayout(row))
            m_objects.emplace_back().Set(ECardLayoutObject::kFilledRectangle, row.left, row.top,
                                         row.right, row.bottom, row.color, row.color);
    }
    for (const FieldRow& row : kFields) {
        if (ofThisLayout(row))
            m_fields.emplace_back().Set(row.tag, row.x, row.y, row.align, row.face, row.size,
                                        row.color, row.label);
    }
    m_builtIn = number;
}
