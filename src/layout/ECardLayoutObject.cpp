#include "layout/ECardLayout.h"

void ECardLayoutObject::Set(int kind, int left, int top, int right, int bottom, COLORREF penColor,
                            COLORREF fillColor) {
    m_kind = kind;
    m_left = left;
    m_top = top;
    m_right = right;
    m_bottom = bottom;
    m_penColor = penColor;
    m_fillColor = fillColor;
}

void ECardLayoutObject::Draw(DeviceContext& dc, int originX, int originY) const {
    if (m_kind != kFilledRectangle)
        return;
    const Pen pen{PenStyle::Null, 1, m_penColor};
    const Brush brush{m_fillColor};
    const Pen* previousPen = dc.SelectPen(&pen);
    const Brush* previousBrush = dc.SelectBrush(&brush);
    // A null-pen rectangle is filled one unit short on the right and bottom; the extra
    // unit makes the fill reach the given right and bottom edges inclusive.
    dc.Rectangle(originX + m_left, originY + m_top, originX + m_right + 1, originY + m_bottom + 1);
    dc.SelectBrush(previousBrush);
    dc.SelectPen(previousPen);
}
