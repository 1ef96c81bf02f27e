#pragma once
// Printing and print preview of the view: one page drawn by the view's OnDraw on a
// printing QPainterDC, for the printer, the preview and a PDF file alike. The
// printer is kept between prints so that the choices made in the print dialog and
// in Print Setup carry over to the next print. The view widget owns one.

#include <QString>
#include <memory>

class QDialog;
class QPrinter;
class QWidget;
class Ctsn_viewerView;
class DialogRunner;

class PrintHelper {
public:
    // The printer's resolution in dots per inch. The view maps 300 logical units to
    // 1000 device units, so at this resolution its 950-unit wide page is a little
    // over five inches wide and fits any paper.
    static constexpr int kResolution = 600;

    // parent owns the dialogs and message boxes.
    PrintHelper(Ctsn_viewerView& view, QWidget* parent);
    ~PrintHelper();
    PrintHelper(const PrintHelper&) = delete;
    PrintHelper& operator=(const PrintHelper&) = delete;

    // Draws the one page on printer. False when the printer cannot be painted on.
    static bool printPage(Ctsn_viewerView& view, QPrinter& printer);

    // The printer that print and preview use, made on first use for the default
    // printer; Print Setup may edit it.
    QPrinter& printer();
    // Runs the dialogs and message boxes; nullptr (the default) runs them with exec().
    void setDialogRunner(DialogRunner* runner) { m_runner = runner; }

    // docName names the print job. print shows the print dialog first; printDirect
    // prints on the chosen printer without a dialog (a message when there is no
    // printer at all); printPreview shows the page in the preview dialog, which can
    // print it too.
    void print(const QString& docName);
    void printDirect(const QString& docName);
    void printPreview(const QString& docName);

private:
    int runModal(QDialog& dialog);
    void warn(const QString& text);
    void printOn(QPrinter& printer);

    Ctsn_viewerView& m_view;
    QWidget* m_parent;
    DialogRunner* m_runner = nullptr;
    std::unique_ptr<QPrinter> m_printer;
};
