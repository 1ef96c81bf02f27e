// Printing the view's page into a PDF and reading it back with poppler's tools:
// the header with the path, the page texts at the printing scale, no picture.

#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

#include "card/Scrambler.h"
#include "doc/Ctsn_viewerDoc.h"
#include "image/RealImagingBackend.h"
#include "support/ImageFixtures.h"
#include "ui/DialogRunner.h"
#include "ui/PrintHelper.h"
#include "ui/ViewWidget.h"
#include "view/Ctsn_viewerView.h"

namespace {

class SilentNotifier : public DocumentNotifier {
public:
    void ShowMessage(const std::string&) override {}
};

struct Session {
    Ctsn_viewerApp app;
    RealImagingBackend backend;
    SilentNotifier notifier;
    Ctsn_viewerDoc doc{app, backend, notifier};
    Ctsn_viewerView view{doc, app};
};

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool PrintToPdf(Ctsn_viewerView& view, const QString& pdf) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setResolution(PrintHelper::kResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    return PrintHelper::printPage(view, printer);
}

// The top-left corner in points of the first word `word` on the page.
std::optional<QPointF> WordCorner(const QString& pdf, const QString& word) {
    const QString html = Run("pdftotext", {"-bbox", pdf, "-"});
    const QRegularExpression re(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>%1</word>)re")
            .arg(QRegularExpression::escape(word)));
    const QRegularExpressionMatch match = re.match(html);
    if (!match.hasMatch())
        return std::nullopt;
    return QPointF(match.captured(1).toDouble(), match.captured(2).toDouble());
}

// Answers every dialog at once; a preview is asked for its pages first.
class AnsweringRunner : public DialogRunner {
public:
    int answer = QDialog::Accepted;
    QStringList seen;
    int previewPages = -1;

    int RunModal(QDialog& dialog) override {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog))
            seen << "message: " + box->text();
        else if (qobject_cast<QPrintDialog*>(&dialog))
            seen << "print";
        else if (qobject_cast<QPrintPreviewDialog*>(&dialog))
            seen << "preview";
        if (auto* preview = dialog.findChild<QPrintPreviewWidget*>()) {
            preview->updatePreview();
            previewPages = preview->pageCount();
        }
        return answer;
    }
};

struct WidgetSession : Session {
    AnsweringRunner runner;
    ViewWidget widget{doc, app};
    WidgetSession() { widget.setDialogRunner(&runner); }
    void printToFile(const QString& pdf) {
        widget.printer().setOutputFormat(QPrinter::PdfFormat);
        widget.printer().setOutputFileName(pdf);
    }
};

}  // namespace

class PrintTest : public QObject {
    Q_OBJECT

private slots:
    void pageHasHeaderAndTextButNoPicture() {
        QTemporaryDir dir;
        Session s;
        const QString path = dir.path() + "/card.jpg";
        auto card = ScrambleComment("tSN|gen|TITPyrite|LDEFool's gold|end");
        QVERIFY(card);
        QVERIFY(fixtures::WriteJpegFile(path.toStdString(), 120, 80, {*card}));
        QVERIFY(s.doc.OnOpenDocument(path.toStdString()));
        QVERIFY(s.view.OnCommand(ViewCommand::kGeneralCard));
        QVERIFY(s.view.m_bShowImage != 0);

        const QString pdf = dir.path() + "/page.pdf";
        QVERIFY(PrintToPdf(s.view, pdf));
        const QString text = Run("pdftotext", {"-layout", pdf, "-"});
        QVERIFY2(text.contains("Filename : " + path), qPrintable(text));
        QVERIFY(text.contains("General Card :"));
        QVERIFY(text.contains("Title : Pyrite"));
        QVERIFY(text.contains("Fool's gold"));
        QVERIFY(!text.contains("Image size"));
        QCOMPARE(Run("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+1\\b")), true);
        // pdfimages lists a header of two lines and then one line per image.
        const QString images = Run("pdfimages", {"-list", pdf});
        QCOMPARE(images.trimmed().split('\n').size(), 2);

        // The page starts 40 logical units below the header, at the same left edge;
        // 300 logical units are 1000 printer dots.
        const auto header = WordCorner(pdf, "Filename");
        const auto heading = WordCorner(pdf, "General");
        QVERIFY(header && heading);
        const double pointsPerUnit = 1000.0 / 300.0 / PrintHelper::kResolution * 72.0;
        QVERIFY(qAbs(heading->x() - header->x()) < 0.5);
        QVERIFY2(qAbs(heading->y() - header->y() - 40 * pointsPerUnit) < 1.0,
                 qPrintable(QString::number(heading->y() - header->y())));
    }

    void unwritableOutputIsReportedAsFailure() {
        QTemporaryDir dir;
        Session s;
        QVERIFY(!PrintToPdf(s.view, dir.path() + "/missing/folder/page.pdf"));
    }

    void printCommandPrintsAfterTheDialogOnly_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("printed");
        QTest::newRow("accepted") << int(QDialog::Accepted) << true;
        QTest::newRow("cancelled") << int(QDialog::Rejected) << false;
    }
    void printCommandPrintsAfterTheDialogOnly() {
        QFETCH(int, answer);
        QFETCH(bool, printed);
        QTemporaryDir dir;
        WidgetSession s;
        s.runner.answer = answer;
        const QString pdf = dir.path() + "/page.pdf";
        s.printToFile(pdf);
        s.widget.print();
        QCOMPARE(s.runner.seen, QStringList{"print"});
        QCOMPARE(QFile::exists(pdf), printed);
        // Without an image the page still has its header.
        if (printed) {
            const QString text = Run("pdftotext", {pdf, "-"});
            QVERIFY(text.contains("Filename :"));
            QVERIFY(text.contains("No Image Selected."));
        }
    }

    void previewDrawsOnePage() {
        WidgetSession s;
        s.widget.printPreview();
        QCOMPARE(s.runner.seen, QStringList{"preview"});
        QCOMPARE(s.runner.previewPages, 1);
    }

    void directPrintWithoutPrinterSaysSoAndKeepsTheFile() {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer");
        QTemporaryDir dir;
        WidgetSession s;
        const QString pdf = dir.path() + "/earlier.pdf";
        s.printToFile(pdf);
        s.widget.printDirect();
        QCOMPARE(s.runner.seen, QStringList{"message: No default printer is installed."});
        QVERIFY(!QFile::exists(pdf));
    }
};

QTEST_MAIN(PrintTest)
#include "PrintTest.moc"
