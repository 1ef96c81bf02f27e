// The shell's dialogs on their own: layout from dialog units, texts, how they
// close, the preferences page's exchange and the integer rule of its fields.

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <functional>
#include <memory>

#include "ShellTestSupport.h"
#include "ui/AboutDlg.h"
#include "ui/DialogUnits.h"
#include "ui/MessageDlg.h"
#include "ui/PrefSht.h"
#include "ui/WelcomeDlg.h"

namespace {

QPushButton* ButtonText(QDialog& dialog, const QString& text) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

QStringList LabelTexts(const QWidget& widget) {
    QStringList texts;
    for (const QLabel* label : widget.findChildren<QLabel*>()) {
        if (!label->text().isEmpty())
            texts << label->text();
    }
    return texts;
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void dialogsAreSizedInDialogUnits();
    void dialogTexts();
    void escapeEnterAndCloseBox();
    void integerFieldRule_data();
    void integerFieldRule();
    void pageShowsStoredValues();
    void pageWithOutOfRangeTypeChecksNoRadio();
    void displayImageTickedForAnyNonZeroValue_data();
    void displayImageTickedForAnyNonZeroValue();
};

void DialogsTest::dialogsAreSizedInDialogUnits() {
    const DialogBaseUnits units = DialogBaseUnits::Of(DialogFont());
    struct Case {
        const char* name;
        std::function<std::unique_ptr<QDialog>()> make;
        QSize size;
        QRect ok;
    };
    const Case cases[] = {
        {"about", [] { return std::make_unique<CAboutDlg>(); }, {170, 151}, {69, 129, 32, 14}},
        {"welcome", [] { return std::make_unique<CWelcomeDlg>(); }, {234, 115}, {63, 94, 50, 14}},
        {"message", [] { return std::make_unique<CMessageDlg>(); }, {193, 50}, {72, 29, 50, 14}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<QDialog> dialog = c.make();
        QCOMPARE(dialog->size(), units.ToPixels(c.size));
        QPushButton* ok = ButtonText(*dialog, "OK");
        QVERIFY2(ok, c.name);
        QVERIFY2(ok->isDefault(), c.name);
        QCOMPARE(ok->geometry(), units.ToPixels(c.ok.x(), c.ok.y(), c.ok.width(), c.ok.height()));
    }

    CPrefPrev page;
    QCOMPARE(page.size(), units.ToPixels(QSize(210, 104)));
    QCOMPARE(page.maxSizeX()->geometry(), units.ToPixels(67, 70, 31, 13));
    // A radio button may only grow to the right, when its text needs the room.
    const QRect limited = page.findChild<QRadioButton*>("control1013")->geometry();
    const QRect placed = units.ToPixels(143, 37, 56, 10);
    QCOMPARE(limited.topLeft(), placed.topLeft());
    QCOMPARE(limited.height(), placed.height());
    QVERIFY(limited.width() >= placed.width());
}

void DialogsTest::dialogTexts() {
    CAboutDlg about;
    QCOMPARE(about.windowTitle(), QString("About Tessellon Viewer"));
    const QStringList aboutTexts = LabelTexts(about);
    QVERIFY(aboutTexts.contains("Tessellon Viewer Version 1.1"));
    QVERIFY(aboutTexts.contains("Using tSN Protocol Rev 1.0"));
    QCOMPARE(about.findChildren<QGroupBox*>().size(), 1);

    CWelcomeDlg welcome;
    QCOMPARE(welcome.windowTitle(), QString("Welcome"));
    QCOMPARE(LabelTexts(welcome),
             QStringList({"Welcome to Tessellon!\n\ntSN Viewer lets you access info inside your "
                          "images, that\nwere previously powered-up by tSN Publisher.",
                          "To demonstrate tSN capabilities, there is an example image\nin the "
                          "instalation directory that can be loaded now...\nShould we see that "
                          "example now?"}));
    QVERIFY(ButtonText(welcome, "Cancel"));

    CPrefSht sheet("User Preferences", nullptr, 0);
    QCOMPARE(sheet.findChild<QTabWidget*>()->tabText(0), QString("Image Preview"));
    QVERIFY(!sheet.applyButton()->isEnabled());
}

void DialogsTest::escapeEnterAndCloseBox() {
    {
        CWelcomeDlg welcome;
        welcome.show();
        QTest::keyClick(&welcome, Qt::Key_Escape);
        QCOMPARE(welcome.result(), int(QDialog::Rejected));
        QVERIFY(!welcome.isVisible());
    }
    {
        CWelcomeDlg welcome;
        welcome.show();
        QTest::keyClick(&welcome, Qt::Key_Return);
        QCOMPARE(welcome.result(), int(QDialog::Accepted));
    }
    {
        CWelcomeDlg welcome;
        welcome.setResult(QDialog::Accepted);
        welcome.show();
        welcome.close();
        QCOMPARE(welcome.result(), int(QDialog::Rejected));
    }
}

void DialogsTest::integerFieldRule_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "300" << true << 300;
    QTest::newRow("negative") << "-25" << true << -25;
    QTest::newRow("blanks around") << "  42 " << true << 42;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << true << int(-2147483647 - 1);
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("sign alone") << "-" << false << 0;
    QTest::newRow("trailing letters") << "12px" << false << 0;
    QTest::newRow("inner blank") << "1 2" << false << 0;
    QTest::newRow("overflow") << "2147483648" << false << 0;
    QTest::newRow("huge") << "99999999999999999999999" << false << 0;
}

void DialogsTest::integerFieldRule() {
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(int, value);
    int parsed = 12345;
    QCOMPARE(ParseDialogInteger(text, parsed), accepted);
    QCOMPARE(parsed, accepted ? value : 12345);
}

void DialogsTest::pageShowsStoredValues() {
    CPrefPrev page;
    page.m_nPreviewType = 1;
    page.m_nMaxSizeX = 300;
    page.m_nMaxSizeY = 280;
    page.m_bDisplayImage = 1;
    page.show();
    QVERIFY(page.findChild<QRadioButton*>("control1012")->isChecked());
    QCOMPARE(page.maxSizeX()->text(), QString("300"));
    QCOMPARE(page.maxSizeY()->text(), QString("280"));
    QVERIFY(page.displayImage()->isChecked());

    // Taken back: a failure names the field and changes no member.
    page.maxSizeX()->setText("x");
    page.findChild<QRadioButton*>("control1010")->click();
    QLineEdit* failed = nullptr;
    QVERIFY(!page.DoDataExchange(true, &failed));
    QCOMPARE(failed, page.maxSizeX());
    QCOMPARE(page.m_nPreviewType, 1);
    page.maxSizeX()->setText("10");
    QVERIFY(page.DoDataExchange(true));
    QCOMPARE(page.m_nPreviewType, 0);
    QCOMPARE(page.m_nMaxSizeX, 10);
}

void DialogsTest::pageWithOutOfRangeTypeChecksNoRadio() {
    CPrefPrev page;
    page.m_nPreviewType = 7;
    page.show();
    QCOMPARE(page.previewType()->checkedId(), -1);
    QVERIFY(page.DoDataExchange(true));
    QCOMPARE(page.m_nPreviewType, -1);
}

void DialogsTest::displayImageTickedForAnyNonZeroValue_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("ticked");
    QTest::newRow("0") << 0 << false;
    QTest::newRow("1") << 1 << true;
    QTest::newRow("2") << 2 << true;
    QTest::newRow("-1") << -1 << true;
}

// OK without a change must keep the picture shown when the stored value shows it.
void DialogsTest::displayImageTickedForAnyNonZeroValue() {
    QFETCH(int, stored);
    QFETCH(bool, ticked);
    CPrefPrev page;
    page.m_bDisplayImage = stored;
    page.show();
    QCOMPARE(page.displayImage()->isChecked(), ticked);
    QVERIFY(page.DoDataExchange(true));
    QCOMPARE(page.m_bDisplayImage != 0, ticked);
}

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
