#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <QStringList>

QFont DialogFont() {
    QFont font;
    // Where the dialog font itself is missing, a face of its proportions rather
    // than the wider default sans serif: the layouts were made for its widths.
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arimo"), QStringLiteral("Arial"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")});
    font.setPointSize(8);
    return font;
}

DialogBaseUnits DialogBaseUnits::Of(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // Half of the width of 26 letters, rounded: the mean of 52.
    return DialogBaseUnits{(alphabet / 26 + 1) / 2, metrics.height()};
}

namespace {

// du * base / divisor, rounded to the nearest pixel.
int Scale(int du, int base, int divisor) {
    const long long product = static_cast<long long>(du) * base;
    const long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor
                                         : -((-product + half) / divisor));
}

}  // namespace

int DialogBaseUnits::ToPixelsX(int du) const {
    return Scale(du, x, 4);
}

int DialogBaseUnits::ToPixelsY(int du) const {
    return Scale(du, y, 8);
}

QRect DialogBaseUnits::ToPixels(int left, int top, int width, int height) const {
    return QRect(ToPixelsX(left), ToPixelsY(top), ToPixelsX(width), ToPixelsY(height));
}

QSize DialogBaseUnits::ToPixels(QSize du) const {
    return QSize(ToPixelsX(du.width()), ToPixelsY(du.height()));
}
