#pragma once
// Qt fonts made from logical font descriptions, kept so that a paint does not build
// the same QFont on every call. The window that paints owns one and hands it to each
// QPainterDC it makes; a QPainterDC without one keeps its own for its lifetime.

#include <QFont>
#include <QFontMetrics>
#include <map>
#include <string>
#include <tuple>

#include "platform/DeviceContext.h"

class QPainterDCFontCache {
public:
    struct Entry {
        explicit Entry(const QFont& f) : font(f), metrics(f) {}
        QFont font;
        QFontMetrics metrics;
    };

    // The font whose cell height (ascent + descent) is logFont.height pixels at the
    // painter's unscaled resolution; a null description stands for the system font.
    const Entry& Get(const LogFont* logFont);

    // The QFont for a description, without caching.
    static QFont MakeFont(const LogFont& logFont);

private:
    using Key = std::tuple<int, int, int, int, int, bool, bool, bool, int, int, std::string>;
    static Key KeyOf(const LogFont& logFont);

    std::map<Key, Entry> m_entries;
};
