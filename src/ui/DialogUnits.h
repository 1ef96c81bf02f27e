#pragma once
// Dialog layouts are given in dialog units of the dialog font: a horizontal unit
// is a quarter of the font's average character width, a vertical unit an eighth
// of its height. These helpers turn them into pixels for the actual font.

#include <QFont>
#include <QRect>
#include <QSize>

// The font every dialog of the shell uses, or the first installed face of its
// proportions, else what fontconfig picks for it.
QFont DialogFont();

struct DialogBaseUnits {
    int x = 0;  // average width of 'A'-'Z' and 'a'-'z', rounded
    int y = 0;  // the font's height
    static DialogBaseUnits Of(const QFont& font);

    int ToPixelsX(int du) const;
    int ToPixelsY(int du) const;
    QRect ToPixels(int x, int y, int width, int height) const;
    QSize ToPixels(QSize du) const;
};
