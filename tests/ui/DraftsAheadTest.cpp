// Drafts made ahead: only for the files asked for that can give one, dropped when
// no longer asked for or made under other preferences.

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "support/ImageFixtures.h"
#include "ui/DraftsAhead.h"

namespace {

struct Files {
    QTemporaryDir dir;
    std::string path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }
    // A JPEG whose draft is an eighth of each side.
    std::string jpeg(const char* name, int width = 160, int height = 96) const {
        fixtures::JpegOptions options;
        options.pixel = fixtures::Solid({200, 40, 40, 255});
        return fixtures::WriteJpegFile(path(name), width, height, {}, options) ? path(name) : "";
    }
};

OpenPreferences Half() {
    return {};
}

OpenPreferences Full() {
    OpenPreferences full;
    full.previewType = 0;
    return full;
}

}  // namespace

class DraftsAheadTest : public QObject {
    Q_OBJECT

private slots:
    void draftsAreMadeForTheFilesThatGiveOne() {
        Files files;
        const std::string a = files.jpeg("a.jpg");
        const std::string b = files.jpeg("b.jpg");
        const std::string small = files.jpeg("small.jpg", 8, 8);
        const std::string png = files.path("c.png");
        QVERIFY(fixtures::WritePngFile(png, 64, 64, {}));
        const qint64 large = QFileInfo(QString::fromStdString(a)).size();
        QVERIFY(QFileInfo(QString::fromStdString(small)).size() < large);
        DraftsAhead drafts(large);
        drafts.Want({a, small, png, b, files.path("missing.jpg")}, Half());
        QTRY_VERIFY(drafts.IsIdle());
        QCOMPARE(drafts.DraftsMade(), 2);

        const std::optional<DraftsAhead::Draft> draft = drafts.Find(a, Half());
        QVERIFY(draft);
        QCOMPARE(draft->pixels.size(), QSize(20, 12));
        QCOMPARE(draft->shownSize, QSize(80, 48));  // half of the full picture
        QVERIFY(!drafts.Find(small, Half()) && !drafts.Find(png, Half()));

        // Asked for again: what was made is kept, what gave none is not tried again.
        drafts.Want({b, a, small}, Half());
        QVERIFY(drafts.IsIdle());
        QCOMPARE(drafts.DraftsMade(), 2);
    }

    void draftsNoLongerAskedForOrMadeUnderOtherPreferencesGo() {
        Files files;
        const std::string a = files.jpeg("a.jpg");
        const std::string b = files.jpeg("b.jpg");
        DraftsAhead drafts(0);
        drafts.Want({a, b}, Half());
        QTRY_VERIFY(drafts.IsIdle());

        drafts.Want({b}, Half());
        QVERIFY(!drafts.Find(a, Half()));
        QVERIFY(drafts.Find(b, Half()));
        // Under other preferences the draft would be shown at another size.
        QVERIFY(!drafts.Find(b, Full()));

        drafts.Want({b}, Full());
        QTRY_VERIFY(drafts.IsIdle());
        QCOMPARE(drafts.DraftsMade(), 3);
        QCOMPARE(drafts.Find(b, Full())->shownSize, QSize(160, 96));
    }
};

QTEST_GUILESS_MAIN(DraftsAheadTest)
#include "DraftsAheadTest.moc"
