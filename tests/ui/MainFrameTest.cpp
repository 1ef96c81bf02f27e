// The main window as the user meets it: menus, accelerators, toolbar, status bar
// prompts, the enabled and ticked states over authored images, the title, the
// recent-file list and dropped files. No dialog is ever shown modally.

#include <QAction>
#include <QComboBox>
#include <QEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <memory>

#include "ShellTestSupport.h"
#include "support/RasterFixtures.h"
#include "ui/BusyCursor.h"
#include "ui/MainFrame.h"
#include "ui/PrintSetupDlg.h"
#include "ui/ShellStrings.h"
#include "ui/TsnApplication.h"
#include "ui/ViewWidget.h"
#include "view/ViewCommands.h"

using namespace ShellCommand;
using namespace ViewCommand;

namespace {

struct Running : RunningProgram {
    QAction* action(int id) { return frame().action(id); }
    QString file(const QString& name) const { return settings.path() + "/" + name; }
};

// "text\tshortcut" of each item of a menu, "-" for a separator.
QStringList MenuItems(QMenu* menu) {
    QStringList items;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            items << "-";
            continue;
        }
        QString text = action->text();
        if (!action->shortcut().isEmpty())
            text += "\t" + action->shortcut().toString(QKeySequence::PortableText);
        items << text;
    }
    return items;
}

QMenu* TopMenu(CMainFrame& frame, const QString& title) {
    for (QAction* action : frame.menuBar()->actions()) {
        if (action->text() == title)
            return action->menu();
    }
    return nullptr;
}

}  // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

private slots:
    void menuBarHasEveryItemInOrder();
    void acceleratorsOfTheTable();
    void promptsAndTooltips();
    void menuHighlightShowsPromptOrNothing();
    void toolbarSlotsAndHover();
    void cardCommandsFollowTheOpenedImage();
    void togglesTickAndBarsHide();
    void titleFollowsTheDocument();
    void saveShortcutLeavesTheFileAlone();
    void recentFilesKeepFourLatestFirst();
    void droppedFileOpens();
    void fileOpenOffersAllFiles();
    void printSetupEditsThePrinterThatPrints();
    void printSetupCancelKeepsAPdfFileChosenInPrint();
    void openingIsBusyButItsNoticeIsNot();
    void statusBarTellsTheOpenPicturesDamage();
};

void MainFrameTest::menuBarHasEveryItemInOrder() {
    Running run;
    QStringList titles;
    for (QAction* action : run.frame().menuBar()->actions())
        titles << action->text();
    QCOMPARE(titles, QStringList({"&File", "&Edit", "&Image", "&Options", "&View", "&Help"}));

    const QList<QPair<QString, QStringList>> expected = {
        {"&File",
         {"&Open...\tCtrl+O", "-", "&Print...\tCtrl+P", "Print Pre&view", "P&rint Setup...", "-",
          "Recent File", "-", "E&xit"}},
        {"&Edit", {"&Copy\tCtrl+C"}},
        {"&Image",
         {"&General Card", "&Business E-Card", "&Collection Card", "Copy&right Card", "-",
          "tSN &Protocol details", "&Other Comments"}},
        {"&Options", {"&Preferences"}},
        {"&View", {"&Toolbar", "&Status Bar", "-", "Image", "Business E-Card Fields"}},
        {"&Help", {"&About tSN Viewer..."}},
    };
    for (const auto& [title, items] : expected)
        QCOMPARE(MenuItems(TopMenu(run.frame(), title)), items);

    // The empty recent-file list is one grayed entry; Copy is never available.
    QMenu* file = TopMenu(run.frame(), "&File");
    QVERIFY(!file->actions()[6]->isEnabled());
    run.frame().updateActions();
    QVERIFY(!run.action(kEditCopy)->isEnabled());
}

void MainFrameTest::acceleratorsOfTheTable() {
    Running run;
    const QList<QPair<int, QStringList>> expected = {
        {kFileNew, {"Ctrl+N"}},
        {kFileOpen, {"Ctrl+O"}},
        {kFileSave, {"Ctrl+S"}},
        {kFilePrint, {"Ctrl+P"}},
        {kEditUndo, {"Ctrl+Z", "Alt+Backspace"}},
        {kEditCut, {"Ctrl+X", "Shift+Del"}},
        {kEditCopy, {"Ctrl+C", "Ctrl+Ins"}},
        {kEditPaste, {"Ctrl+V", "Shift+Ins"}},
        {kNextPane, {"F6"}},
        {kPrevPane, {"Shift+F6"}},
    };
    for (const auto& [id, keys] : expected) {
        QStringList actual;
        for (const QKeySequence& key : run.action(id)->shortcuts())
            actual << key.toString(QKeySequence::PortableText);
        QCOMPARE(actual, keys);
    }
    // The edit commands have no handler: their keys must not reach anything.
    for (int id : {kEditUndo, kEditCut, kEditCopy, kEditPaste})
        QVERIFY2(!run.action(id)->isEnabled(), qPrintable(QString::number(id)));
}

void MainFrameTest::promptsAndTooltips() {
    Running run;
    struct Expected {
        int id;
        QString prompt;
        QString tooltip;
    };
    const Expected table[] = {
        {kFileOpen, "Open an Image", "Open Image"},
        {kFilePrint, "Print the active document", "Print"},
        {kGeneralCard, "View this image's general information", "View General Card"},
        {kProtocolDetails, "Shows advanced Tessellon information on this image.", ""},
        {kPreferences, "Edits user preferences.", ""},
        {kViewToolbar, "Show or hide the toolbar", "Toggle ToolBar"},
        {kShowImage, "Toggles image viewing", "Image View"},
        {kECardFields, "", ""},
    };
    for (const Expected& e : table) {
        QCOMPARE(run.action(e.id)->statusTip(), e.prompt);
        if (!e.tooltip.isEmpty())
            QCOMPARE(run.action(e.id)->toolTip(), e.tooltip);
    }
}

void MainFrameTest::menuHighlightShowsPromptOrNothing() {
    Running run;
    run.frame().show();
    QLabel* pane = run.frame().messagePane();
    QCOMPARE(pane->text(), QString("Ready"));

    QMenu* view = TopMenu(run.frame(), "&View");
    view->popup(run.frame().mapToGlobal(QPoint(40, 40)));
    QVERIFY(QTest::qWaitForWindowExposed(view));
    view->setActiveAction(run.action(kShowImage));
    QCOMPARE(pane->text(), QString("Toggles image viewing"));
    view->setActiveAction(run.action(kECardFields));
    QCOMPARE(pane->text(), QString());
    view->hide();
    QTRY_COMPARE(pane->text(), QString("Ready"));

    QMenu* options = TopMenu(run.frame(), "&Options");
    options->popup(run.frame().mapToGlobal(QPoint(40, 40)));
    QVERIFY(QTest::qWaitForWindowExposed(options));
    options->setActiveAction(run.action(kPreferences));
    QCOMPARE(pane->text(), QString("Edits user preferences."));
    options->hide();
    QTRY_COMPARE(pane->text(), QString("Ready"));
}

void MainFrameTest::toolbarSlotsAndHover() {
    Running run;
    run.frame().show();
    QToolBar* bar = run.frame().toolBar();
    QStringList toolbarSlots;
    for (QAction* action : bar->actions())
        toolbarSlots << (action->isSeparator() ? QString("-")
                                               : QString::number(action->data().toInt()));
    QCOMPARE(toolbarSlots, QStringList({"57601", "-", "57634", "-", "32778", "32779", "32780",
                                        "32786", "-", "57607", "-", "57664"}));
    QCOMPARE(bar->iconSize(), QSize(16, 15));
    for (QAction* action : bar->actions()) {
        if (!action->isSeparator())
            QVERIFY2(!action->icon().isNull(), qPrintable(action->text()));
    }
    QVERIFY(bar->isMovable());
    QVERIFY(bar->isFloatable());

    auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(run.action(kGeneralCard)));
    QVERIFY(button);
    QCOMPARE(button->toolTip(), QString("View General Card"));
    QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), button->mapToGlobal(QPointF(4, 4)));
    QCoreApplication::sendEvent(button, &enter);
    QCOMPARE(run.frame().messagePane()->text(), QString("View this image's general information"));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
    QCOMPARE(run.frame().messagePane()->text(), QString("Ready"));
}

void MainFrameTest::cardCommandsFollowTheOpenedImage() {
    Running run;
    run.frame().show();
    auto enabled = [&run](int id) { return run.action(id)->isEnabled(); };
    auto checked = [&run](int id) { return run.action(id)->isChecked(); };

    // Nothing open: the four cards are off, the other two pages on.
    for (int id : {kGeneralCard, kBusinessCard, kCollectionCard, kCopyrightCard})
        QVERIFY(!enabled(id));
    QVERIFY(enabled(kProtocolDetails));
    QVERIFY(enabled(kOtherComments));
    QVERIFY(!checked(kProtocolDetails));

    QVERIFY(WriteCardJpeg(run.file("cards.jpg"), kGeneralAndCopyright));
    QVERIFY(run.program->OpenDocumentFile(run.file("cards.jpg")));
    QVERIFY(enabled(kGeneralCard));
    QVERIFY(!enabled(kBusinessCard));
    QVERIFY(!enabled(kCollectionCard));
    QVERIFY(enabled(kCopyrightCard));
    for (int id : {kGeneralCard, kCopyrightCard, kProtocolDetails, kOtherComments})
        QVERIFY(!checked(id));

    // A page chosen from the toolbar ticks its menu item and its button alone.
    auto* general = qobject_cast<QToolButton*>(
        run.frame().toolBar()->widgetForAction(run.action(kGeneralCard)));
    QTest::mouseClick(general, Qt::LeftButton);
    QCOMPARE(run.program->document()->m_page, PageGeneralCard);
    QVERIFY(checked(kGeneralCard));
    QVERIFY(general->isChecked());
    QVERIFY(!checked(kCopyrightCard));
    run.action(kCopyrightCard)->trigger();
    QVERIFY(checked(kCopyrightCard));
    QVERIFY(!checked(kGeneralCard));
    QVERIFY(!general->isChecked());

    // A second image without cards turns the cards off and the page back to none.
    QVERIFY(WriteCardJpeg(run.file("plain.jpg"), ""));
    QVERIFY(run.program->OpenDocumentFile(run.file("plain.jpg")));
    for (int id : {kGeneralCard, kBusinessCard, kCollectionCard, kCopyrightCard}) {
        QVERIFY(!enabled(id));
        QVERIFY(!checked(id));
    }
}

void MainFrameTest::togglesTickAndBarsHide() {
    Running run;
    run.frame().show();
    QVERIFY(run.action(kShowImage)->isChecked());
    run.action(kShowImage)->trigger();
    QVERIFY(!run.action(kShowImage)->isChecked());
    QCOMPARE(run.frame().viewWidget().view().m_bShowImage, 0);
    QVERIFY(!run.action(kECardFields)->isChecked());
    run.action(kECardFields)->trigger();
    QVERIFY(run.action(kECardFields)->isChecked());

    QVERIFY(run.action(kViewToolbar)->isChecked());
    run.action(kViewToolbar)->trigger();
    QVERIFY(run.frame().toolBar()->isHidden());
    QVERIFY(!run.action(kViewToolbar)->isChecked());
    run.action(kViewToolbar)->trigger();
    QVERIFY(!run.frame().toolBar()->isHidden());
    QVERIFY(run.action(kViewToolbar)->isChecked());

    run.action(kViewStatusBar)->trigger();
    QVERIFY(run.frame().statusBar()->isHidden());
    QVERIFY(!run.action(kViewStatusBar)->isChecked());
}

void MainFrameTest::titleFollowsTheDocument() {
    Running run;
    QCOMPARE(run.frame().windowTitle(), QString("Untitled - Tessellon Viewer"));
    QVERIFY(WriteCardJpeg(run.file("pyrite.jpg"), kGeneralAndCopyright));
    QVERIFY(run.program->OpenDocumentFile(run.file("pyrite.jpg")));
    QCOMPARE(run.frame().windowTitle(), QString("pyrite.jpg - Tessellon Viewer"));

    // New forgets the name but not the content.
    run.action(kFileNew)->trigger();
    QCOMPARE(run.frame().windowTitle(), QString("Untitled - Tessellon Viewer"));
    QCOMPARE(run.program->document()->m_path, run.file("pyrite.jpg").toStdString());
    QCOMPARE(run.program->document()->m_loadResult, 0);
    QCOMPARE(run.frame().viewWidget().view().GetScrollSizes().total, (Size{100, 100}));

    // A file that cannot be read changes nothing and is reported.
    QVERIFY(!run.program->OpenDocumentFile(run.file("missing.jpg")));
    QCOMPARE(run.runner.classNames(), QStringList({"QMessageBox"}));
    QVERIFY(run.runner.shown.back().text.contains(run.file("missing.jpg")));
    QCOMPARE(run.frame().windowTitle(), QString("Untitled - Tessellon Viewer"));
    QCOMPARE(run.program->document()->m_path, run.file("pyrite.jpg").toStdString());
}

void MainFrameTest::saveShortcutLeavesTheFileAlone() {
    Running run;
    QVERIFY(WriteCardJpeg(run.file("keep.jpg"), kGeneralAndCopyright));
    const std::vector<std::uint8_t> before =
        fixtures::ReadBytesFile(run.file("keep.jpg").toStdString());
    const QDateTime modified = QFileInfo(run.file("keep.jpg")).lastModified();
    QVERIFY(run.program->OpenDocumentFile(run.file("keep.jpg")));
    run.frame().show();
    run.frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&run.frame()));

    QTest::keyClick(&run.frame(), Qt::Key_S, Qt::ControlModifier);
    run.action(kFileSave)->trigger();
    for (Qt::Key key : {Qt::Key_C, Qt::Key_X, Qt::Key_V, Qt::Key_Z})
        QTest::keyClick(&run.frame(), key, Qt::ControlModifier);
    QTest::keyClick(&run.frame(), Qt::Key_F6);
    QTest::keyClick(&run.frame(), Qt::Key_F6, Qt::ShiftModifier);

    QCOMPARE(fixtures::ReadBytesFile(run.file("keep.jpg").toStdString()), before);
    QCOMPARE(QFileInfo(run.file("keep.jpg")).lastModified(), modified);
    QCOMPARE(QDir(run.settings.path()).entryList(QDir::Files), QStringList({"keep.jpg"}));
    QVERIFY(run.runner.shown.empty());
    QCOMPARE(run.frame().windowTitle(), QString("keep.jpg - Tessellon Viewer"));
}

void MainFrameTest::recentFilesKeepFourLatestFirst() {
    QStringList expected;
    {
        Running run;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"}) {
            QVERIFY(WriteCardJpeg(run.file(name), kGeneralAndCopyright));
            QVERIFY(run.program->OpenDocumentFile(run.file(name)));
        }
        // Opening a listed file again moves it up instead of listing it twice.
        QVERIFY(run.program->OpenDocumentFile(run.file("c.jpg")));
        expected = {run.file("c.jpg"), run.file("e.jpg"), run.file("d.jpg"), run.file("b.jpg")};
        QCOMPARE(run.program->recentFiles().paths(), expected);
        QMenu* file = TopMenu(run.frame(), "&File");
        QCOMPARE(file->actions()[6]->text(), "&1 " + run.file("c.jpg"));
        QCOMPARE(file->actions()[9]->text(), "&4 " + run.file("b.jpg"));
        QCOMPARE(file->actions()[6]->statusTip(), QString("Open this document"));

        // Choosing an entry opens it.
        file->actions()[8]->trigger();
        QCOMPARE(run.program->document()->m_path, run.file("d.jpg").toStdString());
        expected = {run.file("d.jpg"), run.file("c.jpg"), run.file("e.jpg"), run.file("b.jpg")};
        run.program->ExitInstance();

        QSettings settings = SettingsSandbox::store();
        settings.beginGroup("Recent File List");
        QCOMPARE(settings.value("File1").toString(), expected[0]);
        QCOMPARE(settings.value("File4").toString(), expected[3]);

        // The next run lists them again.
        FakeDialogRunner runner;
        TsnApplication next(runner);
        QVERIFY(next.InitInstance({}));
        QCOMPARE(next.recentFiles().paths(), expected);
        QCOMPARE(TopMenu(*next.frame(), "&File")->actions()[6]->text(), "&1 " + expected[0]);
    }
}

void MainFrameTest::droppedFileOpens() {
    Running run;
    run.frame().show();
    QVERIFY(WriteCardJpeg(run.file("dropped.jpg"), kGeneralAndCopyright));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(run.file("dropped.jpg"))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&run.frame(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&run.frame(), &drop);
    QTRY_COMPARE(run.program->document()->m_path, run.file("dropped.jpg").toStdString());
    QCOMPARE(run.frame().windowTitle(), QString("dropped.jpg - Tessellon Viewer"));
    QVERIFY(run.action(kGeneralCard)->isEnabled());
}

void MainFrameTest::fileOpenOffersAllFiles() {
    Running run;
    QVERIFY(WriteCardJpeg(run.file("chosen.jpg"), kGeneralAndCopyright));
    QStringList filters;
    run.runner.answer("QFileDialog", [&](QDialog& dialog) {
        auto& files = static_cast<QFileDialog&>(dialog);
        filters = files.nameFilters();
        files.selectFile(run.file("chosen.jpg"));
        return int(QDialog::Accepted);
    });
    run.action(kFileOpen)->trigger();
    QCOMPARE(filters, QStringList({"All Files (*)"}));
    QCOMPARE(run.program->document()->m_path, run.file("chosen.jpg").toStdString());

    // Cancelled: nothing changes.
    run.action(kFileOpen)->trigger();
    QCOMPARE(run.program->document()->m_path, run.file("chosen.jpg").toStdString());
}

// Print Setup offers the installed printers (injected here: no test needs a real
// one) and the paper and margins of the printer that Print and Print Preview use.
void MainFrameTest::printSetupEditsThePrinterThatPrints() {
    Running run;
    run.program->setPrinterList([] { return PrinterList{{"Office", "Lab"}, "Lab"}; });
    QPrinter& kept = run.frame().viewWidget().printer();
    QStringList offered;
    QString preselected;
    QString chosen;
    QPrinter* edited = nullptr;
    auto turnPage = [&](QPageLayout::Orientation orientation) {
        run.runner.answer("QPageSetupDialog", [&edited, orientation](QDialog& dialog) {
            edited = static_cast<QPageSetupDialog&>(dialog).printer();
            edited->setPageOrientation(orientation);
            return int(QDialog::Accepted);
        });
    };
    turnPage(QPageLayout::Landscape);
    run.runner.answer("CPrintSetupDlg", [&](QDialog& dialog) {
        auto& setup = static_cast<CPrintSetupDlg&>(dialog);
        for (int i = 0; i < setup.printerBox()->count(); ++i)
            offered << setup.printerBox()->itemText(i);
        preselected = setup.selectedPrinter();
        setup.printerBox()->setCurrentIndex(0);
        setup.pageSetupButton()->click();
        chosen = setup.selectedPrinter();
        return int(QDialog::Accepted);
    });
    run.action(kFilePrintSetup)->trigger();
    QCOMPARE(run.runner.classNames(), QStringList({"CPrintSetupDlg", "QPageSetupDialog"}));
    QCOMPARE(run.runner.shown[0].title, QString("Print Setup"));
    QCOMPARE(offered, QStringList({"Office", "Lab"}));
    QCOMPARE(preselected, QString("Lab"));
    QCOMPARE(chosen, QString("Office"));
    QCOMPARE(edited, &kept);
    QCOMPARE(kept.pageLayout().orientation(), QPageLayout::Landscape);

    // Cancel leaves the printer as it was, whatever was changed on the way.
    turnPage(QPageLayout::Portrait);
    run.runner.answer("CPrintSetupDlg", [](QDialog& dialog) {
        static_cast<CPrintSetupDlg&>(dialog).pageSetupButton()->click();
        return int(QDialog::Rejected);
    });
    run.action(kFilePrintSetup)->trigger();
    QCOMPARE(kept.pageLayout().orientation(), QPageLayout::Landscape);

    // Without any printer there is nothing to choose.
    run.program->setPrinterList([] { return PrinterList{}; });
    run.runner.answer("CPrintSetupDlg", [&](QDialog& dialog) {
        auto& setup = static_cast<CPrintSetupDlg&>(dialog);
        preselected = setup.selectedPrinter();
        offered = {setup.printerBox()->isEnabled() ? "enabled" : "disabled"};
        return int(QDialog::Accepted);
    });
    run.action(kFilePrintSetup)->trigger();
    QCOMPARE(preselected, QString());
    QCOMPARE(offered, QStringList({"disabled"}));
}

// "Print to File (PDF)" chosen in Print, then Print Setup: choosing a printer for the
// page setup and cancelling leaves the PDF file as the output, and the page as it was.
void MainFrameTest::printSetupCancelKeepsAPdfFileChosenInPrint() {
    Running run;
    run.program->setPrinterList([] { return PrinterList{{"Office", "Lab"}, "Lab"}; });
    QPrinter& kept = run.frame().viewWidget().printer();
    const QString pdf = run.file("card.pdf");
    kept.setOutputFormat(QPrinter::PdfFormat);
    kept.setOutputFileName(pdf);
    kept.setPageOrientation(QPageLayout::Landscape);
    kept.setCopyCount(3);
    run.runner.answer("QPageSetupDialog", [](QDialog& dialog) {
        QPrinter* printer = static_cast<QPageSetupDialog&>(dialog).printer();
        // What choosing a real printer does where one is installed: no file any more.
        printer->setOutputFileName({});
        printer->setPageOrientation(QPageLayout::Portrait);
        return int(QDialog::Accepted);
    });
    run.runner.answer("CPrintSetupDlg", [](QDialog& dialog) {
        auto& setup = static_cast<CPrintSetupDlg&>(dialog);
        setup.printerBox()->setCurrentIndex(0);
        setup.pageSetupButton()->click();
        return int(QDialog::Rejected);
    });
    run.action(kFilePrintSetup)->trigger();
    QCOMPARE(run.runner.classNames(), QStringList({"CPrintSetupDlg", "QPageSetupDialog"}));
    QCOMPARE(kept.outputFormat(), QPrinter::PdfFormat);
    QCOMPARE(kept.outputFileName(), pdf);
    QCOMPARE(kept.pageLayout().orientation(), QPageLayout::Landscape);
    QCOMPARE(kept.copyCount(), 3);
}

void MainFrameTest::openingIsBusyButItsNoticeIsNot() {
    Running run;
    QVERIFY(WriteCardJpeg(run.file("plain.jpg"), ""));
    bool busyDuringNotice = false;
    const QCursor* cursorDuringNotice = nullptr;
    run.runner.answer("CMessageDlg", [&](QDialog&) {
        busyDuringNotice = BusyCursor::IsBusy();
        cursorDuringNotice = QGuiApplication::overrideCursor();
        return int(QDialog::Accepted);
    });
    QVERIFY(run.program->OpenDocumentFile(run.file("plain.jpg")));
    QCOMPARE(run.runner.classNames(), QStringList({"CMessageDlg"}));
    QVERIFY(busyDuringNotice);
    QCOMPARE(cursorDuringNotice, nullptr);
    QVERIFY(!BusyCursor::IsBusy());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

    // Busy while it opens, and the normal cursor again once the picture shows.
    {
        BusyCursor busy;
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            BusyCursor::Pause pause;
            QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        }
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

// While a picture that is not whole is open, the status bar says what is wrong with it,
// also after a prompt has passed over it; a whole picture opened next clears it.
void MainFrameTest::statusBarTellsTheOpenPicturesDamage() {
    Running run;
    run.frame().show();
    const std::vector<std::uint8_t> whole = fixtures::MakeBmp(fixtures::MakeTestPicture(20, 10));
    const std::vector<std::uint8_t> cut(whole.begin(),
                                        whole.begin() + std::ptrdiff_t(whole.size() / 2));
    QVERIFY(fixtures::WriteBytesFile(run.file("good.bmp").toStdString(), whole));
    QVERIFY(fixtures::WriteBytesFile(run.file("cut.bmp").toStdString(), cut));
    QLabel* pane = run.frame().messagePane();

    QVERIFY(run.program->OpenDocumentFile(run.file("cut.bmp")));
    const QString note = QString::fromStdString(run.program->document()->m_damage);
    QVERIFY2(note.contains(" of 10"), qPrintable(note));
    QCOMPARE(pane->text(), note);
    auto* button = qobject_cast<QToolButton*>(
        run.frame().toolBar()->widgetForAction(run.action(kGeneralCard)));
    QVERIFY(button);
    QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), button->mapToGlobal(QPointF(4, 4)));
    QCoreApplication::sendEvent(button, &enter);
    QCOMPARE(pane->text(), QString("View this image's general information"));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
    QCOMPARE(pane->text(), note);

    QVERIFY(run.program->OpenDocumentFile(run.file("good.bmp")));
    QCOMPARE(pane->text(), QString("Ready"));
}

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
