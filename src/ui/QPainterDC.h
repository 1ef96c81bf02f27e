#pragma once
// A device context over a QPainter: the view paints the screen, the printer and the
// preview through it. Made for one paint by whoever owns the painter; it leaves the
// painter's transform, pen, brush and font as it found them.

#include <QPainter>
#include <QPoint>
#include <QTransform>
#include <optional>

#include "platform/DeviceContext.h"
#include "ui/QPainterDCFontCache.h"

class QPainterDC : public DeviceContext {
public:
    // scrollOffset is the scroll position of the screen (the device point where the
    // logical origin ends up is minus this); 0 when printing. Device units are the
    // painter's own at construction. Fonts come from fontCache when given.
    QPainterDC(QPainter& painter, bool printing, QPoint scrollOffset = {},
               QPainterDCFontCache* fontCache = nullptr);
    ~QPainterDC() override;
    QPainterDC(const QPainterDC&) = delete;
    QPainterDC& operator=(const QPainterDC&) = delete;

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

    // Device units per logical unit on both axes in the current mapping.
    double Scale() const { return m_scale; }

private:
    void UpdateMapping();
    void DrawString(int x, int y, const QString& string);
    QTransform LogicalToDevice() const;
    // A logical box [left, right) x [top, bottom) in device pixels, normalised.
    QRect DeviceBox(int left, int top, int right, int bottom) const;
    // The current pen's line thickness in device pixels; 0 for a null pen.
    int PenThickness() const;
    QColor PenColor() const;
    // Fills device pixels, whatever the logical mapping.
    void FillDevice(const QRect& rect, const QColor& color);
    const QPainterDCFontCache::Entry& CurrentFont();

    QPainter& m_painter;
    bool m_printing;
    QPoint m_scrollOffset;
    QTransform m_base;  // the painter's transform when this context was made
    std::optional<QPainterDCFontCache> m_ownFonts;
    QPainterDCFontCache* m_fonts;

    MapMode m_mapMode = MapMode::Text;
    QSize m_windowExt{1, 1};
    QSize m_viewportExt{1, 1};
    double m_scale = 1.0;

    const Font* m_font = nullptr;
    const Pen* m_pen = nullptr;
    const Brush* m_brush = nullptr;
    COLORREF m_textColor = 0;
    BkMode m_bkMode = BkMode::Opaque;
    QPoint m_current;
};
