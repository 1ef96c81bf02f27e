#pragma once
// The drawing surface that layouts, pages and pictures are painted on: the few
// device-context operations the view needs, with Windows semantics (colour
// references, mapping modes, objects selected in and out). The Qt shell, the
// recording context of the tests and the tsn-dump trace implement it.

#include <cstdint>
#include <string>
#include <string_view>

using COLORREF = std::uint32_t;  // 0x00BBGGRR: red in the low byte

constexpr COLORREF RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr std::uint8_t GetRValue(COLORREF c) {
    return c & 0xFF;
}
constexpr std::uint8_t GetGValue(COLORREF c) {
    return (c >> 8) & 0xFF;
}
constexpr std::uint8_t GetBValue(COLORREF c) {
    return (c >> 16) & 0xFF;
}

// A logical font description, field for field as CreateFontIndirect takes it.
struct LogFont {
    int height = 0;  // positive: cell height in logical units
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = 400;  // 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint8_t charSet = 0;            // ANSI
    std::uint8_t outPrecision = 0;       // default
    std::uint8_t clipPrecision = 0;      // default
    std::uint8_t quality = 2;            // PROOF_QUALITY
    std::uint8_t pitchAndFamily = 0x12;  // VARIABLE_PITCH | FF_ROMAN
    std::string faceName;                // at most 31 characters
};

// A created font object. The view's own two fonts carry a name ("normal", "bold")
// so that traces can tell them from a layout field's font of the same metrics.
struct Font {
    LogFont logFont;
    std::string name;
};

enum class PenStyle {
    Solid,  // PS_SOLID
    Null,   // PS_NULL: draws no outline
};

struct Pen {
    PenStyle style = PenStyle::Solid;
    int width = 1;
    COLORREF color = 0;
};

struct Brush {
    COLORREF color = 0xFFFFFF;  // a solid brush of this colour
};

enum class MapMode {
    Text,       // MM_TEXT: one logical unit is one device pixel
    Isotropic,  // MM_ISOTROPIC: window and viewport extents scale both axes alike
};

enum class BkMode {
    Opaque,
    Transparent,
};

struct TextSize {
    int cx = 0;
    int cy = 0;
};

// The picture as the imaging backend holds it: rows top-down, 4 bytes a pixel in the
// order blue, green, red, unused (0xFF), no padding between rows.
struct PictureView {
    const std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

class DeviceContext {
public:
    virtual ~DeviceContext() = default;

    // True while drawing for the printer or print preview (m_bPrinting).
    virtual bool IsPrinting() const = 0;

    virtual void SetMapMode(MapMode mode) = 0;
    virtual void SetWindowExt(int cx, int cy) = 0;
    virtual void SetViewportExt(int cx, int cy) = 0;

    // Selecting returns what was selected before; nullptr stands for the context's
    // own initial object (system font, black one-unit pen, white brush). A selected
    // object must outlive its selection.
    virtual const Font* SelectFont(const Font* font) = 0;
    virtual const Pen* SelectPen(const Pen* pen) = 0;
    virtual const Brush* SelectBrush(const Brush* brush) = 0;

    // Returns the previous text colour. The initial text colour is black.
    virtual COLORREF SetTextColor(COLORREF color) = 0;
    virtual void SetBkMode(BkMode mode) = 0;

    // Draws bytes (Windows-1252) with the top-left corner of the text at (x, y).
    virtual void TextOut(int x, int y, std::string_view text) = 0;
    // The same for text that is UTF-8 already, such as a file name (PathText.h).
    virtual void TextOutUtf8(int x, int y, std::string_view utf8) = 0;
    // Measures bytes in the selected font, in logical units (the attribute side).
    virtual TextSize GetTextExtent(std::string_view text) = 0;

    // Win32 Rectangle: outlined with the current pen and filled with the current
    // brush; with a null pen the fill stops one unit short on the right and bottom.
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;

    // Draws the picture into the logical rectangle (x, y, width, height). On a screen
    // with more device pixels than logical ones the picture may hold more pixels than
    // the rectangle has logical units; at its own size it is a plain blit.
    virtual void DrawPicture(const PictureView& picture, int x, int y, int width, int height) = 0;
};
