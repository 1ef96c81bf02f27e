#pragma once
// The one view: draws the picture, its size line and the selected card page of the
// document, for screen and paper alike. It owns the two page fonts and the two
// display switches; the shell's widget owns the view and forwards paint, commands
// and updates to it.

#include <memory>

#include "app/Ctsn_viewerApp.h"
#include "doc/Ctsn_viewerDoc.h"
#include "image/ImageFile.h"
#include "platform/DeviceContext.h"
#include "view/CardPageLines.h"
#include "view/ViewCommands.h"

// The scrollable area of the view (mapping mode MM_TEXT): the total size, and the
// page and line steps of the scroll bars, per axis.
struct ScrollSizes {
    Size total;
    Size page;
    Size line;
    bool operator==(const ScrollSizes&) const = default;
};

// The window around the view: what the view asks of the widget that shows it.
class ViewHost {
public:
    virtual ~ViewHost() = default;
    // Apply a new scrollable area.
    virtual void SetScrollSizes(const ScrollSizes& sizes) = 0;
    // Repaint the whole client area, erasing the background first when asked.
    virtual void InvalidateClient(bool erase) = 0;
    // The standard print commands: print (with or without the print dialog) and
    // print preview, each drawing one page through OnDraw on a printing context.
    virtual void FilePrint(bool showDialog) = 0;
    virtual void FilePrintPreview() = 0;
};

class Ctsn_viewerView {
public:
    // Reads app.m_displayImage once, here; later changes of it do not reach the view.
    Ctsn_viewerView(Ctsn_viewerDoc& doc, const Ctsn_viewerApp& app);
    ~Ctsn_viewerView();
    Ctsn_viewerView(const Ctsn_viewerView&) = delete;
    Ctsn_viewerView& operator=(const Ctsn_viewerView&) = delete;

    // The widget that shows the view; nullptr (the default) for none.
    void SetHost(ViewHost* host) { m_host = host; }

    // Paints everything for screen, printer and preview alike.
    void OnDraw(DeviceContext& dc);

    // Scroll area 100 x 100, repaint with erase, then OnUpdate.
    void OnInitialUpdate();
    // After a load (the document's m_refreshPending is 1): scroll area from the
    // preview size, repaint without erase, clear the flag. Otherwise nothing.
    void OnUpdate();
    const ScrollSizes& GetScrollSizes() const { return m_scrollSizes; }

    // Runs one of the view's commands (ViewCommands.h). False for any other id.
    bool OnCommand(int id);
    // Enabled and ticked state of a command, from the document and the view alone.
    // Ids the view does not handle come out disabled.
    CommandState GetCommandState(int id) const;

    // The page painters: (x, y) is the left edge and the top of the first line.
    void DrawGeneralCard(DeviceContext& dc, int x, int y) const;
    void DrawBusinessCardFields(DeviceContext& dc, int x, int y) const;
    void DrawBusinessCardLayout(DeviceContext& dc, int x, int y) const;
    void DrawCollectionCard(DeviceContext& dc, int x, int y) const;
    void DrawCopyrightCard(DeviceContext& dc, int x, int y) const;
    void DrawProtocolDetails(DeviceContext& dc, int x, int y) const;
    void DrawOtherComments(DeviceContext& dc, int x, int y) const;

    const Font& NormalFont() const { return *m_pNormalFont; }
    const Font& BoldFont() const { return *m_pBoldFont; }

    int m_bECardFields = 0;  // nonzero: the business card as labelled lines, not on its layout
    int m_bShowImage = 0;    // nonzero: the picture and its size line are drawn on screen

private:
    void SelectStyle(DeviceContext& dc, LineStyle style) const;
    // The lines at their tops below (x, y), each in its style.
    void DrawLines(DeviceContext& dc, int x, int y, const PageLines& lines) const;
    void DrawSelectedPage(DeviceContext& dc, int x, int y) const;
    void SetScrollSizes(Size total);
    void Invalidate(bool erase);

    Ctsn_viewerDoc& m_doc;
    ViewHost* m_host = nullptr;
    ScrollSizes m_scrollSizes;
    std::unique_ptr<Font> m_pNormalFont;
    std::unique_ptr<Font> m_pBoldFont;
};
