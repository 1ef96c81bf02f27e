#include "ui/PrintHelper.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>

#include "ui/QPainterDC.h"
#include "view/Ctsn_viewerView.h"

namespace {

void ShowWarning(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, QGuiApplication::applicationDisplayName(), text);
}

void Prepare(QPrinter& printer, const QString& docName) {
    printer.setResolution(PrintHelper::kResolution);
    printer.setDocName(docName);
}

}  // namespace

PrintHelper::PrintHelper(Ctsn_viewerView& view, QWidget* parent) : m_view(view), m_parent(parent) {}

PrintHelper::~PrintHelper() = default;

bool PrintHelper::printPage(Ctsn_viewerView& view, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    {
        QPainterDC dc(painter, true);
        view.OnDraw(dc);
    }
    return painter.end();
}

QPrinter& PrintHelper::printer() {
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void PrintHelper::printOn(QPrinter& target) {
    if (!printPage(m_view, target))
        ShowWarning(m_parent, QStringLiteral("The page could not be printed."));
}

void PrintHelper::print(const QString& docName) {
    QPrinter& target = printer();
    Prepare(target, docName);
    QPrintDialog dialog(&target, m_parent);
    // One page only: there is nothing to choose a range or a selection from.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    printOn(target);
}

void PrintHelper::printDirect(const QString& docName) {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        ShowWarning(m_parent, QStringLiteral("No default printer is installed."));
        return;
    }
    QPrinter target(info, QPrinter::HighResolution);
    Prepare(target, docName);
    printOn(target);
}

void PrintHelper::printPreview(const QString& docName) {
    QPrinter& target = printer();
    Prepare(target, docName);
    QPrintPreviewDialog dialog(&target, m_parent);
    // The preview takes the place of the main window, as large as it is.
    if (m_parent)
        dialog.resize(m_parent->window()->size());
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                     [this](QPrinter* p) { printPage(m_view, *p); });
    dialog.exec();
}
