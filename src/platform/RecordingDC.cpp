#include "platform/RecordingDC.h"

#include <cstdio>

#include "platform/Win1252.h"

std::vector<DrawCall> RecordingDC::CallsOf(std::initializer_list<DrawCall::Kind> kinds) const {
    std::vector<DrawCall> out;
    for (const DrawCall& call : m_calls) {
        for (DrawCall::Kind kind : kinds) {
            if (call.kind == kind) {
                out.push_back(call);
                break;
            }
        }
    }
    return out;
}

DrawCall& RecordingDC::Add(DrawCall::Kind kind) {
    DrawCall& call = m_calls.emplace_back();
    call.kind = kind;
    return call;
}

void RecordingDC::SetMapMode(MapMode mode) {
    Add(DrawCall::Kind::SetMapMode).a = int(mode);
}

void RecordingDC::SetWindowExt(int cx, int cy) {
    DrawCall& call = Add(DrawCall::Kind::SetWindowExt);
    call.a = cx;
    call.b = cy;
}

void RecordingDC::SetViewportExt(int cx, int cy) {
    DrawCall& call = Add(DrawCall::Kind::SetViewportExt);
    call.a = cx;
    call.b = cy;
}

const Font* RecordingDC::SelectFont(const Font* font) {
    DrawCall& call = Add(DrawCall::Kind::SelectFont);
    if (font)
        call.font = *font;
    const Font* previous = m_font;
    m_font = font;
    return previous;
}

const Pen* RecordingDC::SelectPen(const Pen* pen) {
    DrawCall& call = Add(DrawCall::Kind::SelectPen);
    if (pen)
        call.pen = *pen;
    const Pen* previous = m_pen;
    m_pen = pen;
    return previous;
}

const Brush* RecordingDC::SelectBrush(const Brush* brush) {
    DrawCall& call = Add(DrawCall::Kind::SelectBrush);
    if (brush)
        call.brush = *brush;
    const Brush* previous = m_brush;
    m_brush = brush;
    return previous;
}

COLORREF RecordingDC::SetTextColor(COLORREF color) {
    Add(DrawCall::Kind::SetTextColor).color = color;
    COLORREF previous = m_textColor;
    m_textColor = color;
    return previous;
}

void RecordingDC::SetBkMode(BkMode mode) {
    Add(DrawCall::Kind::SetBkMode).a = int(mode);
}

void RecordingDC::TextOut(int x, int y, std::string_view text) {
    DrawCall& call = Add(DrawCall::Kind::TextOut);
    call.a = x;
    call.b = y;
    call.text = std::string(text);
    if (m_font)
        call.font = *m_font;
    call.color = m_textColor;
}

void RecordingDC::TextOutUtf8(int x, int y, std::string_view utf8) {
    TextOut(x, y, utf8);
    m_calls.back().utf8 = true;
}

TextSize RecordingDC::GetTextExtent(std::string_view text) {
    DrawCall& call = Add(DrawCall::Kind::GetTextExtent);
    call.text = std::string(text);
    if (m_font)
        call.font = *m_font;
    int height = m_font ? m_font->logFont.height : kInitialFontHeight;
    return {static_cast<int>(text.size()) * kCharWidth, height};
}

void RecordingDC::Rectangle(int left, int top, int right, int bottom) {
    DrawCall& call = Add(DrawCall::Kind::Rectangle);
    call.a = left;
    call.b = top;
    call.c = right;
    call.d = bottom;
    if (m_pen)
        call.pen = *m_pen;
    if (m_brush)
        call.brush = *m_brush;
}

void RecordingDC::MoveTo(int x, int y) {
    DrawCall& call = Add(DrawCall::Kind::MoveTo);
    call.a = m_curX = x;
    call.b = m_curY = y;
}

void RecordingDC::LineTo(int x, int y) {
    DrawCall& call = Add(DrawCall::Kind::LineTo);
    call.a = m_curX;
    call.b = m_curY;
    call.c = m_curX = x;
    call.d = m_curY = y;
}

void RecordingDC::DrawPicture(const PictureView&, int x, int y, int width, int height) {
    DrawCall& call = Add(DrawCall::Kind::DrawPicture);
    call.a = x;
    call.b = y;
    call.c = width;
    call.d = height;
}

namespace {

std::string ColorText(COLORREF color) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%06X", static_cast<unsigned>(color & 0xFFFFFF));
    return buffer;
}

std::string FontText(const std::optional<Font>& font) {
    if (!font)
        return "system";
    if (!font->name.empty())
        return font->name;
    return font->logFont.faceName + "/" + std::to_string(font->logFont.height) + "/" +
           std::to_string(font->logFont.weight);
}

}  // namespace

std::vector<std::string> FormatTrace(const std::vector<DrawCall>& calls) {
    std::vector<std::string> lines;
    bool isotropic = false;
    int windowX = 0, windowY = 0;
    auto join = [](std::initializer_list<std::string> parts) {
        std::string line;
        for (const std::string& part : parts) {
            if (!line.empty())
                line += ' ';
            line += part;
        }
        return line;
    };
    using std::to_string;
    for (const DrawCall& call : calls) {
        switch (call.kind) {
            case DrawCall::Kind::SetMapMode:
                isotropic = call.a == int(MapMode::Isotropic);
                break;
            case DrawCall::Kind::SetWindowExt:
                windowX = call.a;
                windowY = call.b;
                break;
            case DrawCall::Kind::SetViewportExt:
                if (isotropic) {
                    lines.push_back(join({"map isotropic", to_string(windowX), to_string(windowY),
                                          to_string(call.a), to_string(call.b)}));
                }
                break;
            case DrawCall::Kind::DrawPicture:
                lines.push_back(join({"picture", to_string(call.a), to_string(call.b),
                                      to_string(call.c), to_string(call.d)}));
                break;
            case DrawCall::Kind::TextOut:
                lines.push_back(
                    join({"text", to_string(call.a), to_string(call.b), FontText(call.font),
                          ColorText(call.color),
                          call.utf8 ? JsonQuoteUtf8(call.text) : JsonQuote(call.text)}));
                break;
            case DrawCall::Kind::Rectangle: {
                std::string pen =
                    call.pen && call.pen->style == PenStyle::Null ? "null" : "default";
                std::string brush = call.brush ? ColorText(call.brush->color) : "default";
                lines.push_back(join({"rect", to_string(call.a), to_string(call.b),
                                      to_string(call.c), to_string(call.d), pen, brush}));
                break;
            }
            case DrawCall::Kind::LineTo:
                lines.push_back(join({"line", to_string(call.a), to_string(call.b),
                                      to_string(call.c), to_string(call.d)}));
                break;
            default:
                break;
        }
    }
    return lines;
}
