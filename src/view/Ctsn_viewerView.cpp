#include "view/Ctsn_viewerView.h"

#include <cstdio>

#include "platform/PathText.h"

namespace {

constexpr COLORREF kBlack = 0x000000;

std::unique_ptr<Font> MakePageFont(int weight, const char* name) {
    LogFont logFont;
    logFont.height = 16;
    logFont.weight = weight;
    logFont.quality = 2;            // proof quality
    logFont.pitchAndFamily = 0x12;  // variable pitch, roman family
    logFont.faceName = "Arial";
    return std::make_unique<Font>(Font{logFont, name});
}

// Default steps of a scroll view: a tenth of the area a page, a tenth of that a line.
ScrollSizes DefaultSteps(Size total) {
    Size page{total.cx / 10, total.cy / 10};
    Size line{page.cx / 10, page.cy / 10};
    return {total, page, line};
}

std::string ImageSizeLine(Size size) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "Image size : %d x %d", size.cx, size.cy);
    return buffer;
}

}  // namespace

Ctsn_viewerView::Ctsn_viewerView(Ctsn_viewerDoc& doc, const Ctsn_viewerApp& app)
    : m_bShowImage(app.m_displayImage),
      m_doc(doc),
      m_pNormalFont(MakePageFont(400, "normal")),
      m_pBoldFont(MakePageFont(700, "bold")) {}

Ctsn_viewerView::~Ctsn_viewerView() {
    m_pBoldFont.reset();
    m_pNormalFont.reset();
}

void Ctsn_viewerView::OnDraw(DeviceContext& dc) {
    const bool printing = dc.IsPrinting();
    int x = 10;
    int y = 10;
    if (printing) {
        // 300 logical units to 1000 device units: the page keeps its proportions on paper.
        dc.SetMapMode(MapMode::Isotropic);
        dc.SetWindowExt(300, 300);
        dc.SetViewportExt(1000, 1000);
        x = 50;
    } else {
        dc.SetMapMode(MapMode::Text);
    }

    const Font* previousFont = dc.SelectFont(m_pNormalFont.get());
    dc.SetBkMode(BkMode::Transparent);

    if (printing) {
        // The path is the file system's text, not card text.
        dc.TextOutUtf8(x, y, "Filename : " + PathToUtf8(m_doc.m_path));
        dc.MoveTo(x, y + 20);
        dc.LineTo(x + 900, y + 20);
        y += 40;
    }

    if (m_doc.m_loadResult != 0) {
        dc.SetTextColor(kBlack);
        dc.SelectFont(m_pNormalFont.get());
        dc.TextOut(x, y, "No Image Selected.");
    } else {
        if (m_bShowImage != 0 && !printing) {
            m_doc.m_image.Draw(&dc, 10, 10, 1200, 1200, 0);
            x = m_doc.m_previewSize.cx + 20;
            if (m_doc.m_imageSize.cx != 0)
                dc.TextOut(10, m_doc.m_previewSize.cy + 20, ImageSizeLine(m_doc.m_imageSize));
        }
        if (m_doc.m_found == 1 || m_doc.m_page == PageOtherComments) {
            DrawSelectedPage(dc, x, y);
        } else {
            dc.SetTextColor(kBlack);
            dc.SelectFont(m_pNormalFont.get());
            dc.TextOut(x, y, "No Tessellon information available.");
        }
    }

    dc.SelectFont(previousFont);
}

void Ctsn_viewerView::DrawSelectedPage(DeviceContext& dc, int x, int y) const {
    switch (m_doc.m_page) {
        case PageGeneralCard:
            DrawGeneralCard(dc, x, y);
            break;
        case PageBusinessCard:
            if (m_bECardFields != 0)
                DrawBusinessCardFields(dc, x, y);
            else
                DrawBusinessCardLayout(dc, x, y);
            break;
        case PageCollectionCard:
            DrawCollectionCard(dc, x, y);
            break;
        case PageCopyrightCard:
            DrawCopyrightCard(dc, x, y);
            break;
        case PageProtocolDetails:
            DrawProtocolDetails(dc, x, y);
            break;
        case PageOtherComments:
            DrawOtherComments(dc, x, y);
            break;
        default:
            break;
    }
}

void Ctsn_viewerView::OnInitialUpdate() {
    SetScrollSizes({100, 100});
    Invalidate(true);
    OnUpdate();
}

void Ctsn_viewerView::OnUpdate() {
    if (m_doc.m_refreshPending != 1)
        return;
    // Room for the page beside the picture and for the size line below it.
    SetScrollSizes({m_doc.m_previewSize.cx + 300, m_doc.m_previewSize.cy + 52});
    Invalidate(false);
    m_doc.m_refreshPending = 0;
}

void Ctsn_viewerView::SetScrollSizes(Size total) {
    m_scrollSizes = DefaultSteps(total);
    if (m_host)
        m_host->SetScrollSizes(m_scrollSizes);
}

void Ctsn_viewerView::Invalidate(bool erase) {
    if (m_host)
        m_host->InvalidateClient(erase);
}
