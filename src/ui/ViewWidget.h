#pragma once
// The scrolling window that shows the one view: it owns the Ctsn_viewerView, paints
// it through a QPainterDC with the scroll position as logical origin, keeps the
// scroll bars as the view sizes them and runs the view's commands, print included.

#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>
#include <QString>
#include <memory>

#include "app/Ctsn_viewerApp.h"
#include "doc/Ctsn_viewerDoc.h"
#include "ui/QPainterDCFontCache.h"
#include "view/Ctsn_viewerView.h"

class QPainter;
class QPrinter;
class DialogRunner;
class PrintHelper;

class ViewWidget : public QAbstractScrollArea, private ViewHost {
    Q_OBJECT

public:
    ViewWidget(Ctsn_viewerDoc& doc, const Ctsn_viewerApp& app, QWidget* parent = nullptr);
    ~ViewWidget() override;

    Ctsn_viewerView& view() { return m_view; }
    const Ctsn_viewerView& view() const { return m_view; }

    // After a new document or an open: OnInitialUpdate, then OnUpdate.
    void initialUpdate();
    // Runs a view command (page, toggle, print) and repaints the whole viewport.
    // False for an id the view does not handle.
    bool runCommand(int id);
    CommandState commandState(int id) const;

    // File > Print... (with the print dialog), print to the default printer without
    // a dialog, and File > Print Preview.
    void print();
    void printDirect();
    void printPreview();
    // The printer that print and preview use, kept between prints; Print Setup may
    // edit it. Made for the default printer on first use.
    QPrinter& printer();
    // Runs the print dialogs and print messages; nullptr (the default) runs them
    // with exec(). Tests answer them at once.
    void setDialogRunner(DialogRunner* runner);

    // Paints the page as the viewport shows it at the current scroll position, the
    // viewport's top-left at the painter's origin. paintEvent uses it; so can tests.
    void paintPage(QPainter& painter);
    // Paints only the page's pictures, as paintPage puts them, and no text: quick
    // enough to show before the fonts are ready. False when the page has no picture.
    bool paintPictures(QPainter& painter);

    // The scroll position: the logical point at the viewport's top-left.
    QPoint scrollOffset() const;

    // Shows a coarse picture of the file being opened in its picture's place, at
    // `shownSize`, until the next update from the document; on screen only (print
    // and paintPage draw the document). Painted at once.
    void showDraft(const QImage& draft, QSize shownSize);
    void clearDraft();
    bool showsDraft() const { return !m_draft.isNull(); }
    // How many drafts were put on screen since the view was made.
    int draftsShown() const { return m_draftsShown; }

signals:
    // Something that enables or ticks commands changed (page, toggles, a load).
    void commandStatesChanged();
    // The view was drawn on screen (the draft or the page).
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // ViewHost
    void SetScrollSizes(const ScrollSizes& sizes) override;
    void InvalidateClient(bool erase) override;
    void FilePrint(bool showDialog) override;
    void FilePrintPreview() override;

    void updateScrollBars();
    void paintDraft(QPainter& painter);
    QString docName() const;

    Ctsn_viewerDoc& m_doc;
    Ctsn_viewerView m_view;
    QPainterDCFontCache m_fonts;
    std::unique_ptr<PrintHelper> m_printer;
    QImage m_draft;
    QSize m_draftSize;
    int m_draftsShown = 0;
};
