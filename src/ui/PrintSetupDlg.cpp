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
    : QDialog(parent),
      m_printer(printer),
      m_runner(runner),
      m_previousName(printer.printerName()),
      m_previousLayout(printer.pageLayout()) {
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

void CPrintSetupDlg::Revert() {
    // An empty name would turn the printer into a PDF writer: only a real one goes back.
    if (!m_previousName.isEmpty() && m_printer.printerName() != m_previousName)
        m_printer.setPrinterName(m_previousName);
    m_printer.setPageLayout(m_previousLayout);
}

void CPrintSetupDlg::EditPage() {
    // The paper sizes offered are the chosen printer's.
    Apply();
    QPageSetupDialog dialog(&m_printer, this);
    m_runner.RunModal(dialog);
}
