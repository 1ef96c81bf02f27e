#include "ui/ViewWidget.h"

#include <QFileInfo>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "ui/PrintHelper.h"
#include "ui/QPainterDC.h"

namespace {

// Keeps a bar's range, page and line steps as the view sized its axis. A line step
// of 0 (a very small area) would leave the arrows dead, so they move at least 1.
void SizeBar(QScrollBar& bar, int total, int visible, int page, int line) {
    bar.setRange(0, std::max(0, total - visible));
    bar.setPageStep(std::max(1, page));
    bar.setSingleStep(std::max(1, line));
}

}  // namespace

ViewWidget::ViewWidget(Ctsn_viewerDoc& doc, const Ctsn_viewerApp& app, QWidget* parent)
    : QAbstractScrollArea(parent),
      m_doc(doc),
      m_view(doc, app),
      m_printer(std::make_unique<PrintHelper>(m_view, this)) {
    QPalette palette = viewport()->palette();
    palette.setColor(viewport()->backgroundRole(), Qt::white);
    viewport()->setPalette(palette);
    viewport()->setAutoFillBackground(true);
    m_view.SetHost(this);
    SetScrollSizes(m_view.GetScrollSizes());
}

ViewWidget::~ViewWidget() {
    m_view.SetHost(nullptr);
}

void ViewWidget::initialUpdate() {
    m_draft = QImage();
    // The view's initial update runs its update too.
    m_view.OnInitialUpdate();
    emit commandStatesChanged();
}

bool ViewWidget::runCommand(int id) {
    if (!m_view.OnCommand(id))
        return false;
    viewport()->update();
    emit commandStatesChanged();
    return true;
}

CommandState ViewWidget::commandState(int id) const {
    return m_view.GetCommandState(id);
}

void ViewWidget::print() {
    runCommand(ViewCommand::kFilePrint);
}

void ViewWidget::printDirect() {
    runCommand(ViewCommand::kFilePrintDirect);
}

void ViewWidget::printPreview() {
    runCommand(ViewCommand::kFilePrintPreview);
}

QPrinter& ViewWidget::printer() {
    return m_printer->printer();
}

void ViewWidget::setDialogRunner(DialogRunner* runner) {
    m_printer->setDialogRunner(runner);
}

QPoint ViewWidget::scrollOffset() const {
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void ViewWidget::paintPage(QPainter& painter) {
    QPainterDC dc(painter, false, scrollOffset(), &m_fonts);
    m_view.OnDraw(dc);
}

namespace {

// Draws the pictures and lines of a page and skips its text: no font is made.
class PicturesOnlyDC : public QPainterDC {
public:
    using QPainterDC::QPainterDC;
    void TextOut(int, int, std::string_view) override {}
    void TextOutUtf8(int, int, std::string_view) override {}
    TextSize GetTextExtent(std::string_view) override { return {}; }
    void DrawPicture(const PictureView& picture, int x, int y, int width, int height) override {
        drewPicture = true;
        QPainterDC::DrawPicture(picture, x, y, width, height);
    }
    bool drewPicture = false;
};

}  // namespace

bool ViewWidget::paintPictures(QPainter& painter) {
    PicturesOnlyDC dc(painter, false, scrollOffset(), &m_fonts);
    m_view.OnDraw(dc);
    return dc.drewPicture;
}

void ViewWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    // Only the exposed part of the picture is blitted; the text is cheap to redo.
    painter.setClipRegion(event->region());
    if (showsDraft())
        paintDraft(painter);
    else
        paintPage(painter);
    emit painted();
}

void ViewWidget::showDraft(const QImage& draft, QSize shownSize) {
    m_draft = draft;
    m_draftSize = shownSize;
    ++m_draftsShown;
    viewport()->repaint();
}

void ViewWidget::clearDraft() {
    if (!showsDraft())
        return;
    m_draft = QImage();
    viewport()->update();
}

void ViewWidget::paintDraft(QPainter& painter) {
    // Where the view draws the picture, as the page will be shown: from the top.
    // Unsmoothed: the quickest to draw, and each block keeps its true colour until the
    // full picture replaces it a moment later.
    painter.drawImage(QRect(QPoint(10, 10), m_draftSize), m_draft);
}

void ViewWidget::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ViewWidget::scrollContentsBy(int dx, int dy) {
    viewport()->scroll(dx, dy);
}

void ViewWidget::SetScrollSizes(const ScrollSizes& /*sizes*/) {
    updateScrollBars();
}

void ViewWidget::updateScrollBars() {
    const ScrollSizes& sizes = m_view.GetScrollSizes();
    const QSize visible = viewport()->size();
    SizeBar(*horizontalScrollBar(), sizes.total.cx, visible.width(), sizes.page.cx, sizes.line.cx);
    SizeBar(*verticalScrollBar(), sizes.total.cy, visible.height(), sizes.page.cy, sizes.line.cy);
}

void ViewWidget::InvalidateClient(bool /*erase*/) {
    // The viewport always fills its white background before a paint.
    viewport()->update();
}

QString ViewWidget::docName() const {
    return QFileInfo(QString::fromLocal8Bit(m_doc.m_path)).fileName();
}

void ViewWidget::FilePrint(bool showDialog) {
    if (showDialog)
        m_printer->print(docName());
    else
        m_printer->printDirect(docName());
}

void ViewWidget::FilePrintPreview() {
    m_printer->printPreview(docName());
}
