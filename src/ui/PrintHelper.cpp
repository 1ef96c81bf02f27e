#include "ui/PrintHelper.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>

#include "ui/DialogRunner.h"
#include "ui/QPainterDC.h"
#include "view/Ctsn_viewerView.h"

namespace {

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

int PrintHelper::runModal(QDialog& dialog) {
    return m_runner ? m_runner->RunModal(dialog) : dialog.exec();
}

void PrintHelper::warn(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, m_parent);
    runModal(box);
}

void PrintHelper::printOn(QPrinter& target) {
    if (!printPage(m_view, target))
        warn(QStringLiteral("The page could not be printed."));
}

void PrintHelper::print(const QString& docName) {
    QPrinter& target = printer();
    Prepare(target, docName);
    QPrintDialog dialog(&target, m_parent);
    // One page only: there is nothing to choose a range or a selection from.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    if (runModal(dialog) != QDialog::Accepted)
        return;
    printOn(target);
}

void PrintHelper::printDirect(const QString& docName) {
    QPrinter& chosen = printer();
    if (chosen.outputFormat() == QPrinter::NativeFormat && !chosen.printerName().isEmpty()) {
        Prepare(chosen, docName);
        printOn(chosen);
        return;
    }
    // The kept printer writes a file (or there is none): a job without a dialog goes
    // to the default printer instead, never over a file chosen for an earlier job.
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        warn(QStringLiteral("No default printer is installed."));
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
    runModal(dialog);
}
