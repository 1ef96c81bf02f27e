#include "ui/QPainterDC.h"

#include <QImage>
#include <QString>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>

#include "platform/Win1252.h"

// The backend's pixels (blue, green, red, 0xFF) read as one 0xFFRRGGBB word.
static_assert(std::endian::native == std::endian::little);

namespace {

QColor ToQColor(COLORREF color) {
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

constexpr COLORREF kWhite = 0xFFFFFF;

}  // namespace

QPainterDC::QPainterDC(QPainter& painter, bool printing, QPoint scrollOffset,
                       QPainterDCFontCache* fontCache)
    : m_painter(painter),
      m_printing(printing),
      m_scrollOffset(scrollOffset),
      m_base(painter.worldTransform()),
      m_fonts(fontCache) {
    if (!m_fonts)
        m_fonts = &m_ownFonts.emplace();
    m_painter.save();
    UpdateMapping();
}

QPainterDC::~QPainterDC() {
    m_painter.restore();
}

void QPainterDC::SetMapMode(MapMode mode) {
    m_mapMode = mode;
    UpdateMapping();
}

void QPainterDC::SetWindowExt(int cx, int cy) {
    m_windowExt = QSize(cx, cy);
    UpdateMapping();
}

void QPainterDC::SetViewportExt(int cx, int cy) {
    m_viewportExt = QSize(cx, cy);
    UpdateMapping();
}

void QPainterDC::UpdateMapping() {
    m_scale = 1.0;
    if (m_mapMode == MapMode::Isotropic && m_windowExt.width() != 0 && m_windowExt.height() != 0) {
        // Isotropic: the smaller of the two ratios serves both axes, so that a square
        // window stays square and fits the viewport.
        const double sx = std::abs(double(m_viewportExt.width()) / m_windowExt.width());
        const double sy = std::abs(double(m_viewportExt.height()) / m_windowExt.height());
        if (std::min(sx, sy) > 0)
            m_scale = std::min(sx, sy);
    }
    m_painter.setWorldTransform(LogicalToDevice() * m_base);
}

QTransform QPainterDC::LogicalToDevice() const {
    return QTransform(m_scale, 0, 0, m_scale, -m_scrollOffset.x(), -m_scrollOffset.y());
}

QRect QPainterDC::DeviceBox(int left, int top, int right, int bottom) const {
    const QTransform toDevice = LogicalToDevice();
    const QPointF a = toDevice.map(QPointF(std::min(left, right), std::min(top, bottom)));
    const QPointF b = toDevice.map(QPointF(std::max(left, right), std::max(top, bottom)));
    const QPoint topLeft(int(std::lround(a.x())), int(std::lround(a.y())));
    const QPoint bottomRight(int(std::lround(b.x())), int(std::lround(b.y())));
    return QRect(topLeft, QSize(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y()));
}

const Font* QPainterDC::SelectFont(const Font* font) {
    const Font* previous = m_font;
    m_font = font;
    return previous;
}

const Pen* QPainterDC::SelectPen(const Pen* pen) {
    const Pen* previous = m_pen;
    m_pen = pen;
    return previous;
}

const Brush* QPainterDC::SelectBrush(const Brush* brush) {
    const Brush* previous = m_brush;
    m_brush = brush;
    return previous;
}

COLORREF QPainterDC::SetTextColor(COLORREF color) {
    const COLORREF previous = m_textColor;
    m_textColor = color;
    return previous;
}

void QPainterDC::SetBkMode(BkMode mode) {
    m_bkMode = mode;
}

const QPainterDCFontCache::Entry& QPainterDC::CurrentFont() {
    return m_fonts->Get(m_font ? &m_font->logFont : nullptr);
}

void QPainterDC::TextOut(int x, int y, std::string_view text) {
    DrawString(x, y, QString::fromUtf8(Win1252ToUtf8(text)));
}

void QPainterDC::TextOutUtf8(int x, int y, std::string_view utf8) {
    DrawString(x, y, QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

void QPainterDC::DrawString(int x, int y, const QString& string) {
    const QPainterDCFontCache::Entry& font = CurrentFont();
    if (m_bkMode == BkMode::Opaque) {
        const int width = font.metrics.horizontalAdvance(string);
        m_painter.fillRect(QRect(x, y, width, font.metrics.ascent() + font.metrics.descent()),
                           Qt::white);
    }
    m_painter.setFont(font.font);
    m_painter.setPen(ToQColor(m_textColor));
    // The point is the text's top-left corner; Qt places the baseline.
    m_painter.drawText(QPoint(x, y + font.metrics.ascent()), string);
}

TextSize QPainterDC::GetTextExtent(std::string_view text) {
    const QPainterDCFontCache::Entry& font = CurrentFont();
    const QString string = QString::fromUtf8(Win1252ToUtf8(text));
    return {font.metrics.horizontalAdvance(string), font.metrics.ascent() + font.metrics.descent()};
}

int QPainterDC::PenThickness() const {
    if (!m_pen)
        return 1;  // the context's own pen: one device pixel at any scale
    if (m_pen->style == PenStyle::Null)
        return 0;
    return std::max(1, int(std::lround(std::max(1, m_pen->width) * m_scale)));
}

QColor QPainterDC::PenColor() const {
    return ToQColor(m_pen ? m_pen->color : 0);
}

void QPainterDC::FillDevice(const QRect& rect, const QColor& color) {
    if (rect.isEmpty())
        return;
    m_painter.setWorldTransform(m_base);
    m_painter.fillRect(rect, color);
    m_painter.setWorldTransform(LogicalToDevice() * m_base);
}

void QPainterDC::Rectangle(int left, int top, int right, int bottom) {
    const QRect box = DeviceBox(left, top, right, bottom);
    const QColor fill = ToQColor(m_brush ? m_brush->color : kWhite);
    const int thickness = PenThickness();
    if (thickness == 0) {
        // Without an outline the fill stops one device pixel short on the right and bottom.
        FillDevice(box.adjusted(0, 0, -1, -1), fill);
        return;
    }
    FillDevice(box, fill);
    const int t = std::min({thickness, box.width(), box.height()});
    const QColor pen = PenColor();
    FillDevice(QRect(box.left(), box.top(), box.width(), t), pen);
    FillDevice(QRect(box.left(), box.bottom() + 1 - t, box.width(), t), pen);
    FillDevice(QRect(box.left(), box.top(), t, box.height()), pen);
    FillDevice(QRect(box.right() + 1 - t, box.top(), t, box.height()), pen);
}

void QPainterDC::MoveTo(int x, int y) {
    m_current = QPoint(x, y);
}

void QPainterDC::LineTo(int x, int y) {
    const QPoint from = m_current;
    m_current = QPoint(x, y);
    const int thickness = PenThickness();
    if (thickness == 0 || from == m_current)
        return;
    const QColor color = PenColor();
    const QRect box = DeviceBox(from.x(), from.y(), x, y);
    // Straight lines cover the pixels from the start up to, not including, the end,
    // the pen's thickness centred on the path.
    const int before = (thickness - 1) / 2;
    if (from.y() == y) {
        FillDevice(QRect(box.left(), box.top() - before, box.width(), thickness), color);
        return;
    }
    if (from.x() == x) {
        FillDevice(QRect(box.left() - before, box.top(), thickness, box.height()), color);
        return;
    }
    QPen pen(color);
    pen.setCosmetic(!m_pen);
    pen.setWidthF(m_pen ? std::max(1, m_pen->width) : 1);
    m_painter.setPen(pen);
    m_painter.drawLine(from, m_current);
}

void QPainterDC::DrawPicture(const PictureView& picture, int x, int y, int width, int height) {
    if (!picture.pixels || picture.width <= 0 || picture.height <= 0 || width <= 0 || height <= 0)
        return;
    const QRectF whole(x, y, width, height);
    QRectF target = whole;
    // Only what can show is drawn: the clip (the exposed region on screen) and the
    // device, both taken back to logical units. The device's size is in the units the
    // painter had when this context was made (on a high-density screen those are not
    // device pixels: the painter's own transform scales them), so only this context's
    // mapping is undone.
    bool invertible = false;
    const QTransform toLogical = LogicalToDevice().inverted(&invertible);
    if (invertible && m_painter.device()) {
        const QRect device(0, 0, m_painter.device()->width(), m_painter.device()->height());
        target &= toLogical.mapRect(QRectF(device));
    }
    if (m_painter.hasClipping())
        target &= m_painter.clipBoundingRect();
    if (target.isEmpty())
        return;
    // The pixels are wrapped, never copied. The part of the picture under the target:
    // on a high-density screen the picture holds more pixels than logical units.
    const QImage image(picture.pixels, picture.width, picture.height, picture.width * 4,
                       QImage::Format_RGB32);
    const double sx = picture.width / whole.width();
    const double sy = picture.height / whole.height();
    const QRectF source((target.x() - x) * sx, (target.y() - y) * sy, target.width() * sx,
                        target.height() * sy);
    m_painter.drawImage(target, image, source);
}
