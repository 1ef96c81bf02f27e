#include <QImage>
#include <QPainter>
#include <QtTest>
#include <vector>

#include "ui/QPainterDC.h"

namespace {

const QRgb kPaper = qRgb(128, 128, 128);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kBlack = qRgb(0, 0, 0);

QImage Paper(int width = 60, int height = 60) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kPaper);
    return image;
}

// The pixels of a colour, as the set of points that carry it.
QList<QPoint> PixelsOf(const QImage& image, QRgb color) {
    QList<QPoint> points;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == color)
                points.append(QPoint(x, y));
        }
    }
    return points;
}

QList<QPoint> Box(int left, int top, int right, int bottom) {
    QList<QPoint> points;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x)
            points.append(QPoint(x, y));
    }
    return points;
}

// Rows and columns of pixels that text changed on the paper.
QRect InkBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != kPaper)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

Font ArialFont(int height) {
    Font font;
    font.logFont.height = height;
    font.logFont.faceName = "Arial";
    return font;
}

}  // namespace

class QPainterDCTest : public QObject {
    Q_OBJECT

private slots:
    void nullPenRectangleStopsOneShortOnRightAndBottom() {
        QImage image = Paper();
        {
            QPainter painter(&image);
            QPainterDC dc(painter, false);
            const Pen pen{PenStyle::Null, 1, 0};
            const Brush brush{RGB(255, 0, 0)};
            dc.SelectPen(&pen);
            dc.SelectBrush(&brush);
            dc.Rectangle(5, 6, 15, 10);
        }
        QCOMPARE(PixelsOf(image, kRed), Box(5, 6, 14, 9));
    }

    void solidRectangleOutlinesInsideItsBox() {
        QImage image = Paper();
        {
            QPainter painter(&image);
            QPainterDC dc(painter, false);
            const Brush brush{RGB(0, 0, 255)};
            dc.SelectBrush(&brush);
            dc.Rectangle(5, 6, 15, 11);  // the context's own black one-unit pen
        }
        QCOMPARE(PixelsOf(image, kBlue), Box(6, 7, 14, 10));
        QList<QPoint> outline;
        for (const QPoint& p : Box(5, 6, 15, 11)) {
            if (p.x() == 5 || p.x() == 14 || p.y() == 6 || p.y() == 10)
                outline.append(p);
        }
        QCOMPARE(PixelsOf(image, kBlack), outline);
    }

    void scrollOffsetMovesTheLogicalOrigin() {
        QImage image = Paper();
        {
            QPainter painter(&image);
            QPainterDC dc(painter, false, QPoint(5, 3));
            const Pen pen{PenStyle::Null, 1, 0};
            const Brush brush{RGB(255, 0, 0)};
            dc.SelectPen(&pen);
            dc.SelectBrush(&brush);
            dc.Rectangle(10, 10, 13, 13);
        }
        QCOMPARE(PixelsOf(image, kRed), Box(5, 7, 7, 9));
    }

    void horizontalLineStopsBeforeItsEnd() {
        QImage image = Paper();
        {
            QPainter painter(&image);
            QPainterDC dc(painter, false);
            dc.MoveTo(4, 20);
            dc.LineTo(30, 20);
        }
        QCOMPARE(PixelsOf(image, kBlack), Box(4, 20, 30, 21));
    }

    void isotropicMappingUsesTheSmallerRatio() {
        QImage image = Paper(120, 120);
        {
            QPainter painter(&image);
            QPainterDC dc(painter, true);
            dc.SetMapMode(MapMode::Isotropic);
            dc.SetWindowExt(300, 300);
            dc.SetViewportExt(1000, 1000);
            QCOMPARE(dc.Scale(), 10.0 / 3.0);
            const Pen pen{PenStyle::Null, 1, 0};
            const Brush brush{RGB(255, 0, 0)};
            dc.SelectPen(&pen);
            dc.SelectBrush(&brush);
            dc.Rectangle(3, 6, 9, 12);  // device 10..30 x 20..40, one pixel short
            dc.SetViewportExt(1000, 2000);
            QCOMPARE(dc.Scale(), 10.0 / 3.0);
            dc.SetViewportExt(2000, 1000);
            QCOMPARE(dc.Scale(), 10.0 / 3.0);
            dc.SetMapMode(MapMode::Text);
            QCOMPARE(dc.Scale(), 1.0);
        }
        QCOMPARE(PixelsOf(image, kRed), Box(10, 20, 29, 39));
    }

    void painterStateIsLeftAsFound() {
        QImage image = Paper();
        QPainter painter(&image);
        const QTransform before = painter.worldTransform();
        {
            QPainterDC dc(painter, true);
            dc.SetMapMode(MapMode::Isotropic);
            dc.SetWindowExt(1, 1);
            dc.SetViewportExt(2, 2);
        }
        QCOMPARE(painter.worldTransform(), before);
    }

    void fontCellHeightMatchesTheRequestedHeight() {
        QImage image = Paper();
        QPainter painter(&image);
        QPainterDC dc(painter, false);
        for (int height : {14, 16, 24, 30}) {
            const Font font = ArialFont(height);
            dc.SelectFont(&font);
            const TextSize size = dc.GetTextExtent("Phone");
            // Whole pixel sizes cannot always give the exact cell; never larger, at most one short.
            QVERIFY2(size.cy <= height && size.cy >= height - 1,
                     qPrintable(QString::number(height)));
            QVERIFY(size.cx > 0);
            QVERIFY(dc.GetTextExtent("PhonePhone").cx > size.cx);
        }
        dc.SelectFont(nullptr);
        QCOMPARE(dc.GetTextExtent("").cy, 16);
    }

    void textIsDrawnBelowAndRightOfItsPoint() {
        QImage image = Paper();
        TextSize extent;
        {
            QPainter painter(&image);
            QPainterDC dc(painter, false);
            const Font font = ArialFont(20);
            dc.SelectFont(&font);
            dc.SetBkMode(BkMode::Transparent);
            dc.SetTextColor(RGB(0, 0, 255));
            extent = dc.GetTextExtent("HH");
            dc.TextOut(10, 20, "HH");
        }
        const QRect ink = InkBounds(image);
        QVERIFY(!ink.isEmpty());
        QVERIFY(ink.top() >= 20 + 2);  // capitals start below the cell's top
        QVERIFY(ink.bottom() < 20 + extent.cy);
        QVERIFY(ink.left() >= 10);
        QVERIFY(ink.right() < 10 + extent.cx);
        QVERIFY(!PixelsOf(image, kBlue).isEmpty());
    }

    void opaqueTextPaintsWhiteBehindIt() {
        QImage image = Paper();
        {
            QPainter painter(&image);
            QPainterDC dc(painter, false);
            const Font font = ArialFont(20);
            dc.SelectFont(&font);
            dc.TextOut(10, 20, "i");
        }
        QVERIFY(!PixelsOf(image, qRgb(255, 255, 255)).isEmpty());
        QCOMPARE(image.pixel(9, 25), kPaper);
    }

    void pictureIsBlittedAtItsOwnSize() {
        std::vector<std::uint8_t> pixels;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 4; ++x)
                pixels.insert(pixels.end(), {std::uint8_t(x * 60), std::uint8_t(y * 100), 7, 0xFF});
        }
        const PictureView picture{pixels.data(), 4, 3};
        QImage image = Paper();
        {
            QPainter painter(&image);
            QPainterDC dc(painter, false);
            dc.DrawPicture(picture, 10, 10, 4, 3);
        }
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 4; ++x)
                QCOMPARE(image.pixel(10 + x, 10 + y), qRgb(7, y * 100, x * 60));
        }
        QCOMPARE(InkBounds(image), QRect(10, 10, 4, 3));
    }

    void pictureIsDrawnOnlyInsideTheClip() {
        std::vector<std::uint8_t> pixels(20 * 20 * 4, 0xFF);  // white
        const PictureView picture{pixels.data(), 20, 20};
        QImage image = Paper();
        {
            QPainter painter(&image);
            painter.setClipRect(QRect(15, 12, 3, 4));
            QPainterDC dc(painter, false, QPoint(2, 0));
            dc.DrawPicture(picture, 10, 10, 20, 20);
        }
        QCOMPARE(PixelsOf(image, qRgb(255, 255, 255)), Box(15, 12, 18, 16));
    }

    void fontsAreBuiltOncePerDescription() {
        QPainterDCFontCache cache;
        const Font a = ArialFont(14);
        const Font b = ArialFont(14);
        QCOMPARE(&cache.Get(&a.logFont), &cache.Get(&b.logFont));
        const Font c = ArialFont(15);
        QVERIFY(&cache.Get(&a.logFont) != &cache.Get(&c.logFont));
    }
};

QTEST_MAIN(QPainterDCTest)
#include "QPainterDCTest.moc"
