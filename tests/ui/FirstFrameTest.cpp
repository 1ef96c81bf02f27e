// The window's first look, composed before Qt's first paint: the picture exactly where
// the painted window shows it, the window's colour where the menus will be, and no
// first look without a picture.

#include <QImage>
#include <QtTest>

#include "ShellTestSupport.h"
#include "ui/FirstFrame.h"
#include "ui/MainFrame.h"
#include "ui/TsnApplication.h"
#include "ui/ViewWidget.h"

namespace {

// The frame's size in device pixels, as the X server holds the window.
QImage FrameSized(const CMainFrame& frame) {
    QImage image(frame.size() * frame.devicePixelRatioF(), QImage::Format_RGB32);
    image.setDevicePixelRatio(frame.devicePixelRatioF());
    return image;
}

}  // namespace

class FirstFrameTest : public QObject {
    Q_OBJECT

private slots:
    void pictureIsWhereThePaintedWindowHasIt() {
        RunningProgram run;
        const QString path = run.settings.path() + "/card.jpg";
        QVERIFY(WriteCardJpeg(path, kGeneralAndCopyright));
        QVERIFY(run.program->OpenDocumentFile(path));
        CMainFrame& frame = run.frame();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));

        QImage first = FrameSized(frame);
        QVERIFY(ComposeFirstFrame(frame, first));
        const QImage painted = frame.grab().toImage().convertToFormat(QImage::Format_RGB32);
        // The 120 x 80 picture's top-left quarter, at least that much shows at any size;
        // in device pixels.
        const QPoint corner = frame.viewWidget().viewport()->mapTo(&frame, QPoint(10, 10));
        const qreal ratio = frame.devicePixelRatioF();
        const QRect picture(QPointF(corner * ratio).toPoint(),
                            QSizeF(QSizeF(60, 40) * ratio).toSize());
        QCOMPARE(first.copy(picture), painted.copy(picture));
        QCOMPARE(first.pixelColor(1, 1), frame.palette().color(QPalette::Window));
    }

    void noFirstLookWithoutAPicture_data() {
        QTest::addColumn<bool>("draft");
        QTest::newRow("no document") << false;
        QTest::newRow("a draft on screen") << true;
    }
    void noFirstLookWithoutAPicture() {
        QFETCH(bool, draft);
        RunningProgram run;
        CMainFrame& frame = run.frame();
        if (draft) {
            const QString path = run.settings.path() + "/card.jpg";
            QVERIFY(WriteCardJpeg(path, kGeneralAndCopyright));
            QVERIFY(run.program->OpenDocumentFile(path));
            QImage coarse(8, 8, QImage::Format_RGB32);
            coarse.fill(Qt::red);
            frame.viewWidget().showDraft(coarse, QSize(60, 40));
        }
        QImage first = FrameSized(frame);
        QVERIFY(!ComposeFirstFrame(frame, first));
    }
};

QTEST_MAIN(FirstFrameTest)
#include "FirstFrameTest.moc"
