#include "ui/PrintSetupDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/DialogRunner.h"

PrinterList InstalledPrinters() {
    return {QPrinterInfo::availablePrinterNames(), QPrinterInfo::defaultPrinterName()};
}

CPrintSetupDlg::CPrintSetupDlg(QPrinter& printer, const PrinterList& printers, DialogRunner& runner,
                               QWidget* parent)
    : QDialog(parent), m_printer(printer), m_runner(runner), m_found(ChoicesOf(printer)) {
    setWindowTitle(QStringLiteral("Print Setup"));
    m_printers = new QComboBox;
    m_printers->setObjectName(QStringLiteral("printerName"));
    m_printers->addItems(printers.names);
    if (printers.names.isEmpty()) {
        m_printers->addItem(QStringLiteral("No printer is installed"));
        m_printers->setEnabled(false);
    } else {
        const QString shown = printers.names.contains(printer.printerName()) ? printer.printerName()
                                                                             : printers.defaultName;
        m_printers->setCurrentIndex(std::max(0, int(printers.names.indexOf(shown))));
    }
    auto* printerGroup = new QGroupBox(QStringLiteral("Printer"));
    auto* form = new QFormLayout(printerGroup);
    form->addRow(QStringLiteral("&Name:"), m_printers);

    m_pageSetup = new QPushButton(QStringLiteral("&Paper and Margins..."));
    connect(m_pageSetup, &QPushButton::clicked, this, &CPrintSetupDlg::EditPage);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->addButton(m_pageSetup, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(printerGroup);
    layout->addWidget(buttons);
}

QString CPrintSetupDlg::selectedPrinter() const {
    return m_printers->isEnabled() ? m_printers->currentText() : QString();
}

void CPrintSetupDlg::Apply() {
    const QString chosen = selectedPrinter();
    if (!chosen.isEmpty())
        m_printer.setPrinterName(chosen);
}

CPrintSetupDlg::PrinterChoices CPrintSetupDlg::ChoicesOf(const QPrinter& printer) {
    return {printer.outputFormat(), printer.printerName(), printer.outputFileName(),
            printer.pageLayout(),   printer.duplex(),      printer.colorMode(),
            printer.paperSource(),  printer.copyCount()};
}

void CPrintSetupDlg::Revert() {
    const PrinterChoices& found = m_found;
    // The output first: changing it may reset the rest. An empty file name would make
    // a PDF writer native again, so only a real one goes back.
    if (found.format == QPrinter::PdfFormat) {
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        if (!found.outputFileName.isEmpty())
            m_printer.setOutputFileName(found.outputFileName);
    } else {
        if (!found.printerName.isEmpty())
            m_printer.setPrinterName(found.printerName);
        m_printer.setOutputFileName(found.outputFileName);
    }
    m_printer.setPageLayout(found.pageLayout);
    m_printer.setDuplex(found.duplex);
    m_printer.setColorMode(found.colorMode);
    m_printer.setPaperSource(found.paperSource);
    m_printer.setCopyCount(found.copyCount);
}

void CPrintSetupDlg::EditPage() {
    // The paper sizes offered are the chosen printer's.
    Apply();
    QPageSetupDialog dialog(&m_printer, this);
    m_runner.RunModal(dialog);
}
