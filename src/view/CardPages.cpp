// The seven card pages of the view, drawn from their lines (CardPageLines.h).

#include "card/CardFields.h"
#include "view/CardPageLines.h"
#include "view/Ctsn_viewerView.h"

namespace {

constexpr COLORREF kHeadingColor = 0xFF0000;  // blue
constexpr COLORREF kBodyColor = 0x000000;     // black

}  // namespace

void Ctsn_viewerView::SelectStyle(DeviceContext& dc, LineStyle style) const {
    if (style == LineStyle::kHeading) {
        dc.SetTextColor(kHeadingColor);
        dc.SelectFont(m_pBoldFont.get());
    } else {
        dc.SetTextColor(kBodyColor);
        dc.SelectFont(m_pNormalFont.get());
    }
}

void Ctsn_viewerView::DrawLines(DeviceContext& dc, int x, int y, const PageLines& lines) const {
    for (const PageLine& line : lines) {
        SelectStyle(dc, line.style);
        const int top = y + line.top;
        if (line.valueLines.empty()) {
            dc.TextOut(x, top, line.text);
            continue;
        }
        // A split value lines up at the label's right, measured in the label's font.
        const int indent = x + dc.GetTextExtent(line.text).cx;
        dc.TextOut(x, top, line.text);
        for (std::size_t i = 0; i < line.valueLines.size(); ++i)
            dc.TextOut(indent, top + int(i) * kLineStep, line.valueLines[i]);
    }
}

void Ctsn_viewerView::DrawGeneralCard(DeviceContext& dc, int x, int y) const {
    DrawLines(dc, x, y, GeneralCardLines(m_doc.m_card));
}

void Ctsn_viewerView::DrawBusinessCardFields(DeviceContext& dc, int x, int y) const {
    DrawLines(dc, x, y, BusinessCardLines(m_doc.m_card));
}

void Ctsn_viewerView::DrawBusinessCardLayout(DeviceContext& dc, int x, int y) const {
    const CardInfo& card = m_doc.m_card;
    SelectStyle(dc, LineStyle::kHeading);
    dc.TextOut(x, y, kBusinessCardTitle);
    // The card is drawn over the body style.
    SelectStyle(dc, LineStyle::kBody);
    if (!card.m_layout)
        return;
    const ECardLayout& layout = *card.m_layout;
    const int originY = y + kTitleStep;
    layout.Draw(dc, x, originY);
    for (int i = 0; i < layout.GetFieldCount(); ++i) {
        const ECardLayoutField& field = layout.GetField(i);
        const std::string& value = BusinessValueForTag(card, field.m_tag);
        if (!value.empty())
            field.Draw(dc, x, originY, value);
    }
}

void Ctsn_viewerView::DrawCollectionCard(DeviceContext& dc, int x, int y) const {
    DrawLines(dc, x, y, CollectionCardLines(m_doc.m_card));
}

void Ctsn_viewerView::DrawCopyrightCard(DeviceContext& dc, int x, int y) const {
    DrawLines(dc, x, y, CopyrightCardLines(m_doc.m_card));
}

void Ctsn_viewerView::DrawProtocolDetails(DeviceContext& dc, int x, int y) const {
    DrawLines(dc, x, y, ProtocolDetailsLines(m_doc.m_card));
}

void Ctsn_viewerView::DrawOtherComments(DeviceContext& dc, int x, int y) const {
    DrawLines(dc, x, y, OtherCommentsLines(m_doc.m_image));
}
