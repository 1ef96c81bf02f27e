// The toolbar and window pictures at twice the density: drawn for it, not scaled.

#include <QDir>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QtTest>

#include "ui/AppIcons.h"

class IconsTest : public QObject {
    Q_OBJECT
private slots:
    void toolbarIconsHaveTheirOwnDoubleSizePicture();
    void windowIconHasLargeSizes();
};

void IconsTest::toolbarIconsHaveTheirOwnDoubleSizePicture() {
    ApplicationIcon();  // loads the resources
    const QStringList files = QDir(QStringLiteral(":/icons"))
                                  .entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    int buttons = 0;
    for (const QString& file : files) {
        if (file.startsWith(QStringLiteral("tsn-viewer")) || file.contains(QLatin1Char('@')))
            continue;
        const QString name = file.chopped(4);
        QVERIFY2(files.contains(name + QStringLiteral("@2x.png")), qPrintable(name));
        const QPixmap sharp = ToolbarIcon(name).pixmap(QSize(16, 15), 2.0);
        QCOMPARE(sharp.devicePixelRatio(), 2.0);
        QCOMPARE(sharp.size(), QSize(32, 30));
        // Every pixel of the 1x picture as a 2 x 2 block: the same drawing, not smoothed.
        const QImage small = QImage(QStringLiteral(":/icons/%1").arg(file));
        const QImage large = sharp.toImage().convertToFormat(small.format());
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 32; ++x)
                QCOMPARE(large.pixel(x, y), small.pixel(x / 2, y / 2));
        ++buttons;
    }
    QCOMPARE(buttons, 8);
}

void IconsTest::windowIconHasLargeSizes() {
    const QList<QSize> sizes = ApplicationIcon().availableSizes();
    QVERIFY(sizes.contains(QSize(96, 96)));
    QVERIFY(sizes.contains(QSize(128, 128)));
}

QTEST_MAIN(IconsTest)
#include "IconsTest.moc"
