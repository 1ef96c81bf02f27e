// The view widget on screen: a JPEG authored with a scrambled card comment, opened
// through the real backend, painted offscreen and read back pixel by pixel.

#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "card/Scrambler.h"
#include "doc/Ctsn_viewerDoc.h"
#include "image/RealImagingBackend.h"
#include "support/ImageFixtures.h"
#include "ui/ViewWidget.h"

namespace {

class SilentNotifier : public DocumentNotifier {
public:
    void ShowMessage(const std::string&) override {}
};

// 120 x 80, shown at half size: the picture covers (10, 10) to (70, 50) and the
// page starts at x = 80.
constexpr int kPictureWidth = 60;
constexpr int kPictureHeight = 40;
constexpr int kPageX = kPictureWidth + 20;

struct Session {
    Ctsn_viewerApp app;
    RealImagingBackend backend;
    SilentNotifier notifier;
    Ctsn_viewerDoc doc{app, backend, notifier};
    std::unique_ptr<ViewWidget> widget;

    explicit Session(QSize size) {
        widget = std::make_unique<ViewWidget>(doc, app);
        widget->resize(size);
        widget->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
        widget->initialUpdate();
    }

    void open(const QString& dir, const std::string& plainCard) {
        const std::string path = (dir + "/card.jpg").toStdString();
        auto card = ScrambleComment(plainCard);
        QVERIFY(card);
        QVERIFY(fixtures::WriteJpegFile(path, 120, 80, {*card, "an ordinary comment"}));
        QVERIFY(doc.OnOpenDocument(path));
        widget->initialUpdate();
    }

    QImage grab() const { return widget->viewport()->grab().toImage(); }
};

bool IsWhite(QRgb c) {
    return qRed(c) == 255 && qGreen(c) == 255 && qBlue(c) == 255;
}

bool IsBlack(QRgb c) {
    return qRed(c) < 64 && qGreen(c) < 64 && qBlue(c) < 64;
}

int Count(const QImage& image, const QRect& area, bool (*test)(QRgb)) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += test(image.pixel(x, y)) ? 1 : 0;
    return n;
}

// How many pixels of the picture show unchanged with its top-left at `at`.
int PictureMatches(const QImage& image, const PictureView& picture, QPoint at) {
    int n = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const QPoint p = at + QPoint(x, y);
            if (!image.rect().contains(p))
                continue;
            const std::uint8_t* bgr = picture.pixels + (y * picture.width + x) * 4;
            const QRgb c = image.pixel(p);
            n += qRed(c) == bgr[2] && qGreen(c) == bgr[1] && qBlue(c) == bgr[0] ? 1 : 0;
        }
    }
    return n;
}

}  // namespace

class ViewWidgetTest : public QObject {
    Q_OBJECT

private slots:
    void emptyDocumentShowsNoImageOnWhite() {
        Session s(QSize(400, 300));
        const QImage image = s.grab();
        QVERIFY(Count(image, QRect(10, 10, 150, 16), IsBlack) > 20);
        QCOMPARE(Count(image, QRect(0, 30, image.width(), image.height() - 30), IsWhite),
                 image.width() * (image.height() - 30));
        QVERIFY(!s.widget->commandState(ViewCommand::kGeneralCard).enabled);
    }

    void scrollBarsFollowTheViewsArea_data() {
        QTest::addColumn<bool>("opened");
        QTest::addColumn<QSize>("total");
        QTest::addColumn<QSize>("page");
        QTest::addColumn<QSize>("line");
        QTest::newRow("before an open") << false << QSize(100, 100) << QSize(10, 10) << QSize(1, 1);
        // 92 / 10 gives a page step of 9 and a line step of 0, which must still move.
        QTest::newRow("after an open") << true << QSize(kPictureWidth + 300, kPictureHeight + 52)
                                       << QSize(36, 9) << QSize(3, 1);
    }
    void scrollBarsFollowTheViewsArea() {
        QFETCH(bool, opened);
        QFETCH(QSize, total);
        QFETCH(QSize, page);
        QFETCH(QSize, line);
        Session s(QSize(80, 60));
        QTemporaryDir dir;
        if (opened)
            s.open(dir.path(), "tSN|gen|TITPyrite|end");
        const QSize visible = s.widget->viewport()->size();
        const QScrollBar* h = s.widget->horizontalScrollBar();
        const QScrollBar* v = s.widget->verticalScrollBar();
        QCOMPARE(h->maximum(), total.width() - visible.width());
        QCOMPARE(v->maximum(), total.height() - visible.height());
        QCOMPARE(QSize(h->pageStep(), v->pageStep()), page);
        QCOMPARE(QSize(h->singleStep(), v->singleStep()), line);
    }

    void pictureIsBlittedUnchangedAndScrollsWithTheText() {
        Session s(QSize(200, 70));
        QTemporaryDir dir;
        s.open(dir.path(), "tSN|gen|TITPyrite|end");
        const PictureView picture = s.doc.m_image.Picture();
        QCOMPARE(QSize(picture.width, picture.height), QSize(kPictureWidth, kPictureHeight));
        const int all = picture.width * picture.height;

        QImage image = s.grab();
        const int visible =
            Count(image, QRect(10, 10, kPictureWidth, kPictureHeight), [](QRgb) { return true; });
        QCOMPARE(PictureMatches(image, picture, QPoint(10, 10)), std::min(all, visible));
        QVERIFY(IsWhite(image.pixel(9, 9)));

        s.widget->horizontalScrollBar()->setValue(5);
        s.widget->verticalScrollBar()->setValue(3);
        QCOMPARE(s.widget->scrollOffset(), QPoint(5, 3));
        image = s.grab();
        QCOMPARE(PictureMatches(image, picture, QPoint(5, 7)), std::min(all, visible));
        QVERIFY(IsWhite(image.pixel(4, 6)));
    }

    void hidingThePictureMovesThePageToTheMargin() {
        Session s(QSize(400, 300));
        QTemporaryDir dir;
        s.open(dir.path(), "tSN|gen|TITPyrite|end");
        QVERIFY(s.widget->runCommand(ViewCommand::kGeneralCard));
        const PictureView picture = s.doc.m_image.Picture();
        // The size line stands below the picture.
        QVERIFY(Count(s.grab(), QRect(10, kPictureHeight + 20, 150, 16), IsBlack) > 20);

        QVERIFY(s.widget->runCommand(ViewCommand::kShowImage));
        const QImage image = s.grab();
        QCOMPARE(PictureMatches(image, picture, QPoint(10, 10)), 0);
        QCOMPARE(Count(image, QRect(10, kPictureHeight + 20, 300, 16), IsWhite), 300 * 16);
        auto ink = [](QRgb c) { return !IsWhite(c); };
        QVERIFY(Count(image, QRect(10, 10, 100, 16), ink) > 20);  // the heading
    }

    void headingIsBlueAndBodyBlack() {
        Session s(QSize(400, 300));
        QTemporaryDir dir;
        s.open(dir.path(), "tSN|gen|TITPyrite|end");
        QVERIFY(s.widget->runCommand(ViewCommand::kGeneralCard));
        const QImage image = s.grab();
        auto blue = [](QRgb c) { return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60; };
        QVERIFY(Count(image, QRect(kPageX, 10, 200, 16), blue) > 20);
        QCOMPARE(Count(image, QRect(kPageX, 40, 200, 16), blue), 0);
        QVERIFY(Count(image, QRect(kPageX, 40, 200, 16), IsBlack) > 20);
    }

    void businessCardFrameOnItsLayoutAndFieldsToggle() {
        Session s(QSize(500, 320));
        QTemporaryDir dir;
        s.open(dir.path(), "tSN|bca|LAY3|NAMAda Lovelace|end");
        QVERIFY(s.widget->runCommand(ViewCommand::kBusinessCard));
        QImage image = s.grab();
        // Layout 3 is 300 x 170 with the card origin 30 below the heading; the frame
        // covers [left, left + 299) x [top, top + 169).
        const QRect frame(kPageX, 40, 299, 169);
        QCOMPARE(Count(image, QRect(frame.left(), frame.top(), frame.width(), 1), IsBlack),
                 frame.width());
        QCOMPARE(Count(image, QRect(frame.left(), frame.top(), 1, frame.height()), IsBlack),
                 frame.height());
        QCOMPARE(Count(image, QRect(frame.right(), frame.top(), 1, frame.height()), IsBlack),
                 frame.height());
        QCOMPARE(Count(image, QRect(frame.left(), frame.bottom(), frame.width(), 1), IsBlack),
                 frame.width());
        QVERIFY(IsWhite(image.pixel(frame.right() + 1, frame.center().y())));

        QSignalSpy spy(s.widget.get(), &ViewWidget::commandStatesChanged);
        QVERIFY(s.widget->runCommand(ViewCommand::kECardFields));
        QCOMPARE(spy.count(), 1);
        QVERIFY(s.widget->commandState(ViewCommand::kECardFields).checked);
        image = s.grab();
        QCOMPARE(Count(image, QRect(frame.right(), frame.top(), 1, frame.height()), IsWhite),
                 frame.height());
    }
};

QTEST_MAIN(ViewWidgetTest)
#include "ViewWidgetTest.moc"
