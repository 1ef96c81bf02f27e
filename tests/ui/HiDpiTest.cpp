// The viewer on a screen of two device pixels per logical one (QT_SCALE_FACTOR=2,
// set before the application starts): the page looks as at one, only larger, and
// the picture is held at device resolution, so it shows pixel for pixel.

#include <QBackingStore>
#include <QScrollBar>
#include <QtTest>
#include <memory>

#include "ShellTestSupport.h"
#include "ui/MainFrame.h"
#include "ui/TsnApplication.h"
#include "ui/ViewWidget.h"
#include "view/ViewCommands.h"

namespace {

constexpr int kRatio = 2;
// A 400 x 280 card image at half size: 200 x 140 logical units at (10, 10), more
// than half the view's width and height, all of it in view. The window fits the
// offscreen screen (800 x 600 device pixels).
constexpr QSize kImage(400, 280);
constexpr QSize kPreview(200, 140);
constexpr QSize kWindow(390, 290);

struct Running : RunningProgram {
    Running() {
        // The first size fits the screen (400 x 300 logical units here).
        const QSize available = program->frame()->screen()->availableSize();
        QVERIFY(available.width() >= program->frame()->width());
        QVERIFY(available.height() >= program->frame()->height());
        program->frame()->resize(kWindow);
        QVERIFY(QTest::qWaitForWindowExposed(program->frame()));
    }
    ViewWidget& view() { return program->frame()->viewWidget(); }
    Ctsn_viewerDoc& doc() { return *program->document(); }
    void open() {
        const QString path = settings.path() + "/card.jpg";
        auto card = ScrambleComment("tSN|gen|TITPyrite|end");
        QVERIFY(card);
        QVERIFY(
            fixtures::WriteJpegFile(path.toStdString(), kImage.width(), kImage.height(), {*card}));
        QVERIFY(program->OpenDocumentFile(path));
    }
    // The viewport as the window painted it for the screen (its backing store), in
    // device pixels: the same paint as on a real display, not a separate render.
    QImage grab() {
        QWidget* viewport = view().viewport();
        viewport->repaint();
        // The offscreen backing store is one image of the window in device pixels.
        QPaintDevice* store = program->frame()->backingStore()->paintDevice();
        if (!store || store->devType() != QInternal::Image)
            return {};
        const QRect area(viewport->mapTo(program->frame(), QPoint(0, 0)) * kRatio,
                         viewport->size() * kRatio);
        return static_cast<QImage*>(store)->copy(area);
    }
};

bool IsBlack(QRgb c) {
    return qRed(c) < 64 && qGreen(c) < 64 && qBlue(c) < 64;
}

bool IsWhite(QRgb c) {
    return c == qRgb(255, 255, 255);
}

// The smallest rectangle holding every pixel of `area` that passes `test`.
QRect Bounds(const QImage& image, const QRect& area, bool (*test)(QRgb)) {
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (test(image.pixel(x, y)))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

QRgb HeldPixel(const PictureView& picture, int x, int y) {
    const std::uint8_t* bgr = picture.pixels + (y * picture.width + x) * 4;
    return qRgb(bgr[2], bgr[1], bgr[0]);
}

}  // namespace

class HiDpiTest : public QObject {
    Q_OBJECT

private slots:
    void pictureIsHeldAtDeviceSizeAndDrawnInItsLogicalPlace() {
        Running run;
        QCOMPARE(run.view().devicePixelRatioF(), qreal(kRatio));
        run.open();

        // The document and the scroll area stay logical.
        QCOMPARE(run.doc().m_previewSize, (Size{kPreview.width(), kPreview.height()}));
        QCOMPARE(run.doc().m_imageSize, (Size{kImage.width(), kImage.height()}));
        QCOMPARE(run.view().horizontalScrollBar()->maximum(),
                 std::max(0, kPreview.width() + 300 - run.view().viewport()->width()));
        // Only the pixels held are device pixels: here the whole picture.
        const PictureView held = run.doc().m_image.Picture();
        QCOMPARE(QSize(held.width, held.height), kPreview * kRatio);

        const QImage image = run.grab();
        QCOMPARE(image.size(), run.view().viewport()->size() * kRatio);
        const QRect drawn(QPoint(10, 10) * kRatio, kPreview * kRatio);
        for (QPoint p :
             {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(57, 13), QPoint(held.width / 2, 45),
              QPoint(held.width - 1, held.height / 2), QPoint(held.width - 1, held.height - 1)})
            QCOMPARE(image.pixel(drawn.topLeft() + p), HeldPixel(held, p.x(), p.y()));
        // Nothing of it outside its rectangle.
        for (QPoint p :
             {drawn.topLeft() - QPoint(1, 1), drawn.bottomRight() + QPoint(1, 1),
              QPoint(drawn.right() + 1, drawn.top()), QPoint(drawn.left(), drawn.bottom() + 1)})
            QVERIFY(IsWhite(image.pixel(p)));

        // The size line 10 units below the picture, at the left margin.
        const QRect belowPicture(QPoint(kRatio, drawn.bottom() + 1),
                                 QPoint(drawn.right() + 200, (kPreview.height() + 50) * kRatio));
        const QRect line = Bounds(image, belowPicture, IsBlack);
        QVERIFY(!line.isEmpty());
        QVERIFY2(qAbs(line.left() - 10 * kRatio) <= 2 * kRatio,
                 qPrintable(QString::number(line.left())));
        QVERIFY2(line.top() >= (kPreview.height() + 20) * kRatio &&
                     line.bottom() < (kPreview.height() + 20 + 16) * kRatio,
                 qPrintable(QString("%1-%2").arg(line.top()).arg(line.bottom())));
    }

    void pageStartsBesideThePicture() {
        Running run;
        run.open();
        QVERIFY(run.view().runCommand(ViewCommand::kGeneralCard));
        const QImage image = run.grab();
        auto blue = [](QRgb c) { return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60; };
        const QRect heading = Bounds(image, QRect(0, 0, image.width(), 30 * kRatio), +blue);
        QVERIFY(!heading.isEmpty());
        QVERIFY2(heading.left() >= (kPreview.width() + 20) * kRatio &&
                     heading.left() <= (kPreview.width() + 22) * kRatio,
                 qPrintable(QString::number(heading.left())));
        QVERIFY(heading.top() >= 10 * kRatio && heading.bottom() < 26 * kRatio);
    }
};

int main(int argc, char* argv[]) {
    qputenv("QT_SCALE_FACTOR", QByteArray::number(kRatio));
    QApplication application(argc, argv);
    HiDpiTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "HiDpiTest.moc"
