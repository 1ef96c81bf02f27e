#pragma once
// File > Print Setup: the printer to print on, chosen from the installed ones, and
// its paper and margins (the standard page setup dialog, one button away). The
// choice goes into the printer that Print and Print Preview keep using.

#include <QDialog>
#include <QPageLayout>
#include <QPrinter>
#include <QString>
#include <QStringList>

class QComboBox;
class QPushButton;
class DialogRunner;

// The printers the system offers, and its default one.
struct PrinterList {
    QStringList names;
    QString defaultName;
};

// The installed printers, as the print system lists them.
PrinterList InstalledPrinters();

class CPrintSetupDlg : public QDialog {
    Q_OBJECT

public:
    // Shows `printer`'s printer when it is in the list, else the default one.
    CPrintSetupDlg(QPrinter& printer, const PrinterList& printers, DialogRunner& runner,
                   QWidget* parent = nullptr);

    // The printer chosen; empty when none is installed.
    QString selectedPrinter() const;
    QComboBox* printerBox() const { return m_printers; }
    QPushButton* pageSetupButton() const { return m_pageSetup; }

    // After OK: the chosen printer into `printer`'s keeping. After Cancel: the
    // printer as the dialog found it, a PDF file chosen in Print included.
    void Apply();
    void Revert();

private:
    // What the dialog and its page setup may change in the printer.
    struct PrinterChoices {
        QPrinter::OutputFormat format;
        QString printerName;
        QString outputFileName;
        QPageLayout pageLayout;
        QPrinter::DuplexMode duplex;
        QPrinter::ColorMode colorMode;
        QPrinter::PaperSource paperSource;
        int copyCount;
    };
    static PrinterChoices ChoicesOf(const QPrinter& printer);

    void EditPage();

    QPrinter& m_printer;
    DialogRunner& m_runner;
    QComboBox* m_printers = nullptr;
    QPushButton* m_pageSetup = nullptr;
    PrinterChoices m_found;
};
