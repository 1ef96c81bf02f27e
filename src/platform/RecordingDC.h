#pragma once
// A device context that draws nothing and records every call with the state in
// force, measuring text with a fixed metric (7 units a byte, as high as the font).
// The tests check drawings call by call on it; tsn-dump --trace prints its record.

#include <optional>
#include <string>
#include <vector>

#include "platform/DeviceContext.h"

struct DrawCall {
    enum class Kind {
        SetMapMode,      // a = MapMode
        SetWindowExt,    // a, b = extents
        SetViewportExt,  // a, b = extents
        SelectFont,      // font = the font selected (nullopt: the initial font)
        SelectPen,       // pen = the pen selected (nullopt: the initial pen)
        SelectBrush,     // brush = the brush selected (nullopt: the initial brush)
        SetTextColor,    // color = the new colour
        SetBkMode,       // a = BkMode
        TextOut,         // a, b = point; text (utf8: UTF-8, else Windows-1252); font, color
        GetTextExtent,   // text; font in force
        Rectangle,       // a, b, c, d = left, top, right, bottom; pen and brush in force
        MoveTo,          // a, b = point
        LineTo,          // a, b = from (current position), c, d = to
        DrawPicture,     // a, b = point; c, d = width, height drawn (logical units)
    };
    Kind kind;
    int a = 0, b = 0, c = 0, d = 0;
    std::string text;
    bool utf8 = false;
    std::optional<Font> font;
    COLORREF color = 0;
    std::optional<Pen> pen;
    std::optional<Brush> brush;
};

class RecordingDC : public DeviceContext {
public:
    explicit RecordingDC(bool printing = false) : m_printing(printing) {}

    // Fixed text metric shared by tests and traces.
    static constexpr int kCharWidth = 7;
    static constexpr int kInitialFontHeight = 16;

    const std::vector<DrawCall>& Calls() const { return m_calls; }
    // Only the calls of the given kinds, in order.
    std::vector<DrawCall> CallsOf(std::initializer_list<DrawCall::Kind> kinds) const;
    void Clear() { m_calls.clear(); }

    bool IsPrinting() const override { return m_printing; }
    void SetMapMode(MapMode mode) override;
    void SetWindowExt(int cx, int cy) override;
    void SetViewportExt(int cx, int cy) override;
    const Font* SelectFont(const Font* font) override;
    const Pen* SelectPen(const Pen* pen) override;
    const Brush* SelectBrush(const Brush* brush) override;
    COLORREF SetTextColor(COLORREF color) override;
    void SetBkMode(BkMode mode) override;
    void TextOut(int x, int y, std::string_view text) override;
    void TextOutUtf8(int x, int y, std::string_view utf8) override;
    TextSize GetTextExtent(std::string_view text) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void DrawPicture(const PictureView& picture, int x, int y, int width, int height) override;

private:
    DrawCall& Add(DrawCall::Kind kind);

    bool m_printing;
    std::vector<DrawCall> m_calls;
    const Font* m_font = nullptr;
    const Pen* m_pen = nullptr;
    const Brush* m_brush = nullptr;
    COLORREF m_textColor = 0;
    int m_curX = 0;
    int m_curY = 0;
};

// The trace lines of tsn-dump for a record: map, picture, text, rect and line
// operations in the order made (see the tsn-dump contract).
std::vector<std::string> FormatTrace(const std::vector<DrawCall>& calls);
