#include <utility>

#include "layout/ECardLayout.h"

namespace {

// The platform keeps at most this many bytes of a face name.
constexpr std::size_t kMaxFaceName = 31;
constexpr char kCarriageReturn = '\r';

}  // namespace

void ECardLayoutField::Set(std::string tag, int x, int y, int align, std::string face, int size,
                           COLORREF color, std::string label) {
    m_tag = std::move(tag);
    m_x = x;
    m_y = y;
    m_align = align;
    m_face = std::move(face);
    m_size = size;
    m_color = color;
    m_label = std::move(label);
}

void ECardLayoutField::Draw(DeviceContext& dc, int originX, int originY, std::string value) const {
    Font font;
    // The printed font is one unit smaller; the line advance is the same on paper.
    font.logFont.height = dc.IsPrinting() ? m_size - 1 : m_size;
    font.logFont.weight = 400;
    font.logFont.charSet = 0;
    font.logFont.quality = 2;
    font.logFont.pitchAndFamily = 0x12;
    font.logFont.faceName = m_face.substr(0, kMaxFaceName);

    const Font* previousFont = dc.SelectFont(&font);
    dc.SetTextColor(m_color);

    const std::string text = m_label + value;
    std::string line;
    int y = originY + m_y;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != kCarriageReturn) {
            line += text[i];
            continue;
        }
        const int cx = dc.GetTextExtent(line).cx;
        int x = originX + m_x;
        if (m_align == kCenter)
            x -= cx / 2;
        else if (m_align == kRight)
            x -= cx;
        dc.TextOut(x, y, line);
        y += m_size;
        line.clear();
        // The byte after a carriage return is taken as its line feed and dropped unseen.
        ++i;
    }

    dc.SelectFont(previousFont);
}
