// Start-up and exit of the whole program over a private settings store: the first
// run's welcome, the second run, the command line, the preferences command and
// what exit writes back, and the notice for an image without cards.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "ShellTestSupport.h"
#include "ui/EarlyOpen.h"
#include "ui/MainFrame.h"
#include "ui/PrefSht.h"
#include "ui/ShellStrings.h"
#include "ui/TsnApplication.h"
#include "ui/ViewWidget.h"

namespace {

// The installation directory with the example image in it.
struct Installed {
    SettingsSandbox settings;
    QString instdir;

    // instdirSuffix is appended to the directory in the setting.
    explicit Installed(const QString& instdirSuffix = {}) {
        QDir(settings.path()).mkdir("inst");
        instdir = settings.path() + "/inst";
        SettingsSandbox::setValue("instdir", instdir + instdirSuffix);
        if (!WriteCardJpeg(instdir + "/pirite.jpg", "tSN|gen|TITPyrite|end"))
            qFatal("fixture");
    }
    QString file(const QString& name) const { return settings.path() + "/" + name; }
};

int PrefInt(const char* key) {
    return SettingsSandbox::value(key).toInt();
}

// EarlyOpen::Start over a command line of these arguments.
EarlyOpen StartEarly(const QStringList& arguments) {
    std::vector<QByteArray> bytes{"tsn-viewer"};
    for (const QString& argument : arguments)
        bytes.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : bytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return EarlyOpen::Start(int(bytes.size()), argv.data());
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void firstRunOfferIsMarkedBeforeItShowsAndOkOpensTheExample();
    void cancelledWelcomeIsNotOfferedAgain();
    void instdirEndingInSeparatorKeepsBothSlashes();
    void commandLineFileOpensBeforeTheWelcome();
    void unreadableCommandLineFileEndsStartup();
    void imageWithoutCardsShowsTheMessage_data();
    void imageWithoutCardsShowsTheMessage();
    void earlyOpenIsOnlyForASmallFileNamedAlone();
    void fileReplacedAfterItsEarlyOpenIsOpenedAgain();
    void exitWritesThePreferencesEveryTime();
    void preferencesOkCopiesAllFourBack();
    void preferencesRefuseANonInteger();
    void storedPreferencesReachTheDialogAndCancelKeepsThem();
};

void StartupTest::firstRunOfferIsMarkedBeforeItShowsAndOkOpensTheExample() {
    Installed inst;
    FakeDialogRunner runner;
    QVariant welcomeWhenShown;
    runner.answer("CWelcomeDlg", [&](QDialog&) {
        welcomeWhenShown = SettingsSandbox::value("welcome");
        return int(QDialog::Accepted);
    });
    TsnApplication program(runner);
    QVERIFY(program.InitInstance({}));
    QCOMPARE(runner.classNames(), QStringList({"CWelcomeDlg"}));
    QCOMPARE(runner.shown[0].title, QString("Welcome"));
    QCOMPARE(welcomeWhenShown.toInt(), 1);
    QVERIFY(program.frame()->isVisible());
    QCOMPARE(program.document()->m_path, (inst.instdir + "/pirite.jpg").toStdString());
    QCOMPARE(program.document()->m_found, 1);
    QCOMPARE(program.frame()->windowTitle(), QString("pirite.jpg - Tessellon Viewer"));
    QCOMPARE(program.recentFiles().paths(), QStringList({inst.instdir + "/pirite.jpg"}));
}

void StartupTest::cancelledWelcomeIsNotOfferedAgain() {
    Installed inst;
    {
        FakeDialogRunner runner;
        runner.answer("CWelcomeDlg", QDialog::Rejected);
        TsnApplication program(runner);
        QVERIFY(program.InitInstance({}));
        QCOMPARE(runner.classNames(), QStringList({"CWelcomeDlg"}));
        QCOMPARE(program.document()->m_loadResult, -1);
        QCOMPARE(program.frame()->windowTitle(), QString("Untitled - Tessellon Viewer"));
        program.ExitInstance();
    }
    FakeDialogRunner second;
    TsnApplication program(second);
    QVERIFY(program.InitInstance({}));
    QVERIFY(second.shown.empty());
    QCOMPARE(PrefInt("welcome"), 1);
}

void StartupTest::instdirEndingInSeparatorKeepsBothSlashes() {
    Installed inst("/");
    FakeDialogRunner runner;
    runner.answer("CWelcomeDlg", QDialog::Accepted);
    TsnApplication program(runner);
    QVERIFY(program.InitInstance({}));
    QCOMPARE(program.app().m_directory, (inst.instdir + "/").toStdString());
    QCOMPARE(program.document()->m_path, (inst.instdir + "//pirite.jpg").toStdString());
    QCOMPARE(program.document()->m_loadResult, 0);
}

void StartupTest::commandLineFileOpensBeforeTheWelcome() {
    Installed inst;
    QVERIFY(WriteCardJpeg(inst.file("given.jpg"), "tSN|gen|TITGiven|end"));
    FakeDialogRunner runner;
    std::string openWhenOffered;
    TsnApplication program(runner);
    runner.answer("CWelcomeDlg", [&](QDialog&) {
        openWhenOffered = program.document()->m_path;
        return int(QDialog::Accepted);
    });
    // Only the first argument counts.
    QVERIFY(program.InitInstance({inst.file("given.jpg"), inst.file("other.jpg")}));
    QCOMPARE(openWhenOffered, inst.file("given.jpg").toStdString());
    QCOMPARE(program.document()->m_path, (inst.instdir + "/pirite.jpg").toStdString());
}

void StartupTest::unreadableCommandLineFileEndsStartup() {
    Installed inst;
    FakeDialogRunner runner;
    TsnApplication program(runner);
    QVERIFY(!program.InitInstance({inst.file("missing.jpg")}));
    QCOMPARE(runner.classNames(), QStringList({"QMessageBox"}));
    QCOMPARE(runner.shown[0].title, QString("tsn_viewer"));
    QVERIFY(runner.shown[0].text.contains(inst.file("missing.jpg")));
    QVERIFY(!program.frame()->isVisible());
}

// Opened in the window, or on a thread before the window was made: the same to see.
void StartupTest::imageWithoutCardsShowsTheMessage_data() {
    QTest::addColumn<bool>("early");
    QTest::newRow("opened in the window") << false;
    QTest::newRow("opened early") << true;
}

void StartupTest::imageWithoutCardsShowsTheMessage() {
    QFETCH(bool, early);
    Installed inst;
    SettingsSandbox::setValue("welcome", 1);
    const QString plain = inst.file("plain.jpg");
    QVERIFY(WriteCardJpeg(plain, ""));
    FakeDialogRunner runner;
    TsnApplication program(runner);
    QVERIFY(program.InitInstance({plain}, early ? StartEarly({plain}) : EarlyOpen()));
    QCOMPARE(runner.classNames(), QStringList({"CMessageDlg"}));
    QCOMPARE(runner.shown[0].title, QString("Message"));
    QCOMPARE(runner.shown[0].text, QString("No Tessellon found in this image."));
    // The picture is shown all the same.
    QCOMPARE(program.document()->m_path, plain.toStdString());
    QCOMPARE(program.document()->m_loadResult, 0);
    QCOMPARE(program.frame()->windowTitle(), QString("plain.jpg - Tessellon Viewer"));
    QCOMPARE(program.recentFiles().paths(), QStringList({plain}));
    QCOMPARE(program.browsing()->position(), plain);
}

void StartupTest::earlyOpenIsOnlyForASmallFileNamedAlone() {
    Installed inst;
    const QString card = inst.instdir + "/pirite.jpg";
    std::unique_ptr<PreparedDocument> opened = StartEarly({card}).Take(card);
    QVERIFY(opened);
    QCOMPARE(opened->Document().m_found, 1);
    QVERIFY(!StartEarly({card}).Take(inst.file("other.jpg")));
    // Qt's options come first, and only Qt's application object reads them.
    QVERIFY(!StartEarly({"-style", card}).Take(card));
    QVERIFY(!StartEarly({card, card}).Take(card));
    // A large file is left to be opened behind its draft.
    QFile large(inst.file("large.jpg"));
    QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(qint64(3) << 20));
    large.close();
    QVERIFY(!StartEarly({inst.file("large.jpg")}).Take(inst.file("large.jpg")));
}

void StartupTest::fileReplacedAfterItsEarlyOpenIsOpenedAgain() {
    Installed inst;
    SettingsSandbox::setValue("welcome", 1);
    const QString path = inst.file("card.jpg");
    QVERIFY(WriteCardJpeg(path, ""));
    EarlyOpen early = StartEarly({path});
    early.Wait();
    // Replaced by another file, with a card, while the window is being built.
    QVERIFY(WriteCardJpeg(path + ".new", "tSN|gen|TITPyrite|end"));
    QVERIFY(QFile::remove(path) && QFile::rename(path + ".new", path));
    FakeDialogRunner runner;
    TsnApplication program(runner);
    QVERIFY(program.InitInstance({path}, std::move(early)));
    QCOMPARE(program.document()->m_found, 1);
    QVERIFY(runner.classNames().isEmpty());
}

void StartupTest::exitWritesThePreferencesEveryTime() {
    Installed inst;
    SettingsSandbox::setValue("PreviewType", 7);
    FakeDialogRunner runner;
    TsnApplication program(runner);
    QVERIFY(program.InitInstance({}));
    QCOMPARE(program.app().m_previewType, 7);
    QVERIFY(!SettingsSandbox::value("DisplayImage").isValid());
    program.ExitInstance();
    QCOMPARE(PrefInt("DisplayImage"), 1);
    QCOMPARE(PrefInt("PreviewType"), 7);
    QCOMPARE(PrefInt("PrevSizeX"), 300);
    QCOMPARE(PrefInt("PrevSizeY"), 300);
    QCOMPARE(PrefInt("welcome"), 1);
    QVERIFY(program.app().m_colDefs.empty());
}

void StartupTest::preferencesOkCopiesAllFourBack() {
    Installed inst;
    SettingsSandbox::setValue("welcome", 1);
    QVERIFY(WriteCardJpeg(inst.file("shown.jpg"), "tSN|gen|TITShown|end"));
    FakeDialogRunner runner;
    TsnApplication program(runner);
    QVERIFY(program.InitInstance({inst.file("shown.jpg")}));
    QCOMPARE(program.document()->m_previewSize, (Size{60, 40}));

    runner.answer("CPrefSht", [](QDialog& dialog) {
        auto& sheet = static_cast<CPrefSht&>(dialog);
        CPrefPrev& page = sheet.m_pagePreview;
        page.findChild<QRadioButton*>("control1010")->click();
        page.maxSizeX()->setText("0");
        page.maxSizeY()->setText("-25");
        page.displayImage()->click();
        sheet.okButton()->click();
        return sheet.result();
    });
    program.frame()->action(ShellCommand::kPreferences)->trigger();
    QCOMPARE(runner.classNames(), QStringList({"CPrefSht"}));
    QCOMPARE(runner.shown[0].title, QString("User Preferences"));
    const Ctsn_viewerApp& app = program.app();
    QCOMPARE(app.m_previewType, 0);
    QCOMPARE(app.m_prevSizeX, 0);
    QCOMPARE(app.m_prevSizeY, -25);
    QCOMPARE(app.m_displayImage, 0);

    // Nothing reaches the store, the open picture or the running view before exit.
    QVERIFY(!SettingsSandbox::value("PreviewType").isValid());
    QCOMPARE(program.document()->m_previewSize, (Size{60, 40}));
    QCOMPARE(program.frame()->viewWidget().view().m_bShowImage, 1);
    // The next image opens at full size.
    QVERIFY(program.OpenDocumentFile(inst.file("shown.jpg")));
    QCOMPARE(program.document()->m_previewSize, (Size{120, 80}));

    program.ExitInstance();
    QCOMPARE(PrefInt("PreviewType"), 0);
    QCOMPARE(PrefInt("PrevSizeX"), 0);
    QCOMPARE(PrefInt("PrevSizeY"), -25);
    QCOMPARE(PrefInt("DisplayImage"), 0);
}

void StartupTest::preferencesRefuseANonInteger() {
    Installed inst;
    SettingsSandbox::setValue("welcome", 1);
    FakeDialogRunner runner;
    TsnApplication program(runner);
    QVERIFY(program.InitInstance({}));
    bool stayedOpen = false;
    bool focusBack = false;
    runner.answer("CPrefSht", [&](QDialog& dialog) {
        auto& sheet = static_cast<CPrefSht&>(dialog);
        QLineEdit* sizeY = sheet.m_pagePreview.maxSizeY();
        sizeY->setText("12px");
        sheet.okButton()->click();
        stayedOpen = sheet.isVisible() && sheet.result() != QDialog::Accepted;
        focusBack = sheet.focusWidget() == sizeY;
        sizeY->setText(" 120 ");
        sheet.okButton()->click();
        return sheet.result();
    });
    program.OnPreferences();
    QCOMPARE(runner.classNames(), QStringList({"CPrefSht", "QMessageBox"}));
    QCOMPARE(runner.shown[1].text, QString("Please enter an integer."));
    QVERIFY(stayedOpen);
    QVERIFY(focusBack);
    QCOMPARE(program.app().m_prevSizeY, 120);
}

void StartupTest::storedPreferencesReachTheDialogAndCancelKeepsThem() {
    Installed inst;
    SettingsSandbox::setValue("welcome", 1);
    SettingsSandbox::setValue("DisplayImage", 0);
    SettingsSandbox::setValue("PreviewType", 2);
    SettingsSandbox::setValue("PrevSizeX", 50);
    SettingsSandbox::setValue("PrevSizeY", 20);
    QVERIFY(WriteCardJpeg(inst.file("fit.jpg"), "tSN|gen|TITFit|end"));
    FakeDialogRunner runner;
    TsnApplication program(runner);
    QVERIFY(program.InitInstance({inst.file("fit.jpg")}));
    QCOMPARE(program.frame()->viewWidget().view().m_bShowImage, 0);
    QCOMPARE(program.document()->m_previewSize, (Size{30, 20}));

    bool limitedChecked = false;
    QString sizes;
    runner.answer("CPrefSht", [&](QDialog& dialog) {
        auto& page = static_cast<CPrefSht&>(dialog).m_pagePreview;
        limitedChecked = page.findChild<QRadioButton*>("control1013")->isChecked();
        sizes = page.maxSizeX()->text() + "," + page.maxSizeY()->text();
        page.findChild<QRadioButton*>("control1010")->click();
        page.maxSizeX()->setText("77");
        static_cast<CPrefSht&>(dialog).cancelButton()->click();
        return dialog.result();
    });
    program.OnPreferences();
    QVERIFY(limitedChecked);
    QCOMPARE(sizes, QString("50,20"));
    QCOMPARE(program.app().m_previewType, 2);
    QCOMPARE(program.app().m_prevSizeX, 50);
}

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
