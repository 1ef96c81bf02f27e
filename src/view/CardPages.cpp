// The seven card pages of the view. Line positions are fixed steps below the
// origin, not font metrics: 30 under a heading (20 on the Copyright Card), 16
// between lines of text, 20 between entries of a list.

#include <string_view>

#include "card/CardComment.h"
#include "view/Ctsn_viewerView.h"
#include "view/ProtocolText.h"

namespace {

constexpr COLORREF kHeadingColor = 0xFF0000;  // blue
constexpr COLORREF kBodyColor = 0x000000;     // black
constexpr int kLineStep = 16;
constexpr int kListStep = 20;
constexpr char kCarriageReturn = '\r';

// The business-card value a layout field shows, by its tag; "" for an unknown tag.
const std::string& ValueForTag(const CardInfo& card, const std::string& tag) {
    static const std::string kNone;
    if (tag == "NAM")
        return card.m_name;
    if (tag == "URL")
        return card.m_url;
    if (tag == "EMA")
        return card.m_email;
    if (tag == "STA")
        return card.m_street;
    if (tag == "PHO")
        return card.m_phone;
    if (tag == "FAX")
        return card.m_fax;
    if (tag == "MSG")
        return card.m_message;
    return kNone;
}

}  // namespace

void Ctsn_viewerView::HeadingStyle(DeviceContext& dc) const {
    dc.SetTextColor(kHeadingColor);
    dc.SelectFont(m_pBoldFont.get());
}

void Ctsn_viewerView::BodyStyle(DeviceContext& dc) const {
    dc.SetTextColor(kBodyColor);
    dc.SelectFont(m_pNormalFont.get());
}

// The label, then the value's lines at the label's right, one under the other. A
// carriage return ends a line and swallows the byte after it (the line feed).
Ctsn_viewerView::MultiLineEnd Ctsn_viewerView::DrawMultiLineValue(DeviceContext& dc, int x, int y,
                                                                  const std::string& label,
                                                                  const std::string& value) const {
    const int indent = x + dc.GetTextExtent(label).cx;
    dc.TextOut(x, y, label);
    std::string line;
    for (std::size_t i = 0; i < value.size();) {
        if (value[i] == kCarriageReturn) {
            dc.TextOut(indent, y, line);
            line.clear();
            y += kLineStep;
            i += 2;
        } else {
            line += value[i];
            ++i;
        }
    }
    if (line.empty())
        return {y, false};
    dc.TextOut(indent, y, line);
    return {y, true};
}

void Ctsn_viewerView::DrawGeneralCard(DeviceContext& dc, int x, int y) const {
    const CardInfo& card = m_doc.m_card;
    HeadingStyle(dc);
    dc.TextOut(x, y, "General Card :");
    BodyStyle(dc);
    y += 30;
    if (!card.m_title.empty()) {
        dc.TextOut(x, y, "Title : " + card.m_title);
        y += kLineStep;
    }
    if (!card.m_description.empty())
        DrawMultiLineValue(dc, x, y, "Description : ", card.m_description);
}

void Ctsn_viewerView::DrawBusinessCardFields(DeviceContext& dc, int x, int y) const {
    const CardInfo& card = m_doc.m_card;
    HeadingStyle(dc);
    dc.TextOut(x, y, "Business E-Card :");
    BodyStyle(dc);
    y += 30;
    auto line = [&](const char* label, const std::string& value) {
        if (value.empty())
            return;
        dc.TextOut(x, y, label + value);
        y += kLineStep;
    };
    line("Personal/Company : ", card.m_name);
    if (!card.m_street.empty()) {
        MultiLineEnd end = DrawMultiLineValue(dc, x, y, "Street Address : ", card.m_street);
        y = end.tailDrawn ? end.y + kLineStep : end.y;
    }
    line("Phone : ", card.m_phone);
    line("Fax : ", card.m_fax);
    line("URL : ", card.m_url);
    line("E-mail : ", card.m_email);
    // The message is one string, line breaks and all.
    line("Message : ", card.m_message);
}

void Ctsn_viewerView::DrawBusinessCardLayout(DeviceContext& dc, int x, int y) const {
    const CardInfo& card = m_doc.m_card;
    HeadingStyle(dc);
    dc.TextOut(x, y, "Business E-Card :");
    BodyStyle(dc);
    if (!card.m_layout)
        return;
    const ECardLayout& layout = *card.m_layout;
    const int originY = y + 30;
    layout.Draw(dc, x, originY);
    for (int i = 0; i < layout.GetFieldCount(); ++i) {
        const ECardLayoutField& field = layout.GetField(i);
        const std::string& value = ValueForTag(card, field.m_tag);
        if (!value.empty())
            field.Draw(dc, x, originY, value);
    }
}

void Ctsn_viewerView::DrawCollectionCard(DeviceContext& dc, int x, int y) const {
    const CardInfo& card = m_doc.m_card;
    HeadingStyle(dc);
    dc.TextOut(x, y, "Collection Card :");
    y += 30;
    if (card.m_collectionName == "?")
        return;
    // The name is a second heading line; an empty name still takes its line.
    dc.TextOut(x, y, card.m_collectionName);
    y += kListStep;
    BodyStyle(dc);
    for (std::size_t i = 0; i < card.m_fieldLabels.size(); ++i) {
        const std::string value = i < card.m_fieldValues.size() ? card.m_fieldValues[i] : "";
        dc.TextOut(x, y, card.m_fieldLabels[i] + " : " + value);
        y += kListStep;
    }
}

void Ctsn_viewerView::DrawCopyrightCard(DeviceContext& dc, int x, int y) const {
    const CardInfo& card = m_doc.m_card;
    HeadingStyle(dc);
    dc.TextOut(x, y, "Copyright Card :");
    BodyStyle(dc);
    y += 20;
    switch (card.m_copyrightStatus) {
        case 0:
            dc.TextOut(x, y, "Image Status : Copyrighted");
            break;
        case 1:
            dc.TextOut(x, y, "Image Status : Protected (Contact Author)");
            break;
        case 2:
            dc.TextOut(x, y, "Image Status : Public Domain");
            break;
        default:
            break;  // an unknown status keeps its line, empty
    }
    y += kLineStep;
    if (!card.m_credits.empty()) {
        dc.TextOut(x, y, "Image Credits : " + card.m_credits);
        y += kLineStep;
    }
    if (!card.m_holder.empty())
        dc.TextOut(x, y, "Copyright Holder : " + card.m_holder);
}

void Ctsn_viewerView::DrawProtocolDetails(DeviceContext& dc, int x, int y) const {
    const CardInfo& card = m_doc.m_card;
    HeadingStyle(dc);
    dc.TextOut(x, y, "Tessellon information");
    BodyStyle(dc);
    dc.TextOut(x, y + 30, "tSN Protocol Revision : " + TwoPartForm(card.m_protocolRevision));
    dc.TextOut(x, y + 50, "Creation Date : " + DateForm(card.m_creationDate));
    dc.TextOut(x, y + 70, "Created By : " + card.m_creatorName);
    dc.TextOut(x, y + 90, "Creator Version : " + TwoPartForm(card.m_creatorVersion));
}

void Ctsn_viewerView::DrawOtherComments(DeviceContext& dc, int x, int y) const {
    const ImageFile& image = m_doc.m_image;
    int listed = 0;
    const int count = image.GetCommentCount();
    for (int i = 0; i < count; ++i) {
        const std::string comment = image.GetComment(i);
        if (IsCardComment(comment))
            continue;
        if (listed == 0) {
            HeadingStyle(dc);
            dc.TextOut(x, y, "Other Comments :");
            y += 30;
        }
        ++listed;
        BodyStyle(dc);
        dc.TextOut(x, y, comment);
        y += kLineStep;
    }
    if (listed == 0) {
        BodyStyle(dc);
        dc.TextOut(x, y, "No additional comments found.");
    }
}
