// A picture that loads but not whole, in the viewer: a JPEG cut in half shows, and the
// status bar gives the one line that tsn-dump's record and report give (tests/cli).

#include <QLabel>
#include <QRegularExpression>
#include <QtTest>

#include "ShellTestSupport.h"
#include "ui/MainFrame.h"
#include "ui/TsnApplication.h"

class DamageNoteTest : public QObject {
    Q_OBJECT

private slots:
    void jpegCutInHalfShowsItsDamageInTheStatusBar();
};

void DamageNoteTest::jpegCutInHalfShowsItsDamageInTheStatusBar() {
    RunningProgram run;
    run.frame().show();
    std::vector<std::uint8_t> file = fixtures::MakeJpeg(320, 240, {"kept comment"});
    file.resize(file.size() / 2);
    const QString path = run.settings.path() + "/cut.jpg";
    QVERIFY(fixtures::WriteBytesFile(path.toStdString(), file));

    QVERIFY(run.program->OpenDocumentFile(path));
    QCOMPARE(run.program->document()->m_loadResult, 0);
    const QString shown = run.frame().messagePane()->text();
    const QRegularExpressionMatch rows =
        QRegularExpression("^truncated after row ([0-9]+) of 240$").match(shown);
    QVERIFY2(rows.hasMatch(), qPrintable(shown));
    QVERIFY(rows.captured(1).toInt() > 0 && rows.captured(1).toInt() < 240);
    QCOMPARE(shown, QString::fromStdString(run.program->document()->m_damage));
}

QTEST_MAIN(DamageNoteTest)
#include "DamageNoteTest.moc"
