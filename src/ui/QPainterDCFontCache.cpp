#include "ui/QPainterDCFontCache.h"

#include <QString>
#include <algorithm>
#include <cmath>

namespace {

// The context's own font before anything is selected: bold, 16 units high.
LogFont SystemLogFont() {
    LogFont logFont;
    logFont.height = 16;
    logFont.weight = 700;
    return logFont;
}

int CellHeight(const QFont& font) {
    QFontMetrics metrics(font);
    return metrics.ascent() + metrics.descent();
}

QFont::StyleHint StyleHintOf(std::uint8_t pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
        case 0x10:
            return QFont::Serif;
        case 0x20:
            return QFont::SansSerif;
        case 0x30:
            return QFont::TypeWriter;
        case 0x40:
            return QFont::Decorative;
        case 0x50:
            return QFont::Cursive;
        default:
            return QFont::AnyStyle;
    }
}

// Positive heights ask for the whole cell (ascent + descent); font sizes are in em, so
// search for the largest pixel size whose cell still fits.
void SetCellHeight(QFont& font, int cellHeight) {
    font.setPixelSize(cellHeight);
    const int first = CellHeight(font);
    int size = first > 0 ? std::max(1, int(std::lround(double(cellHeight) * cellHeight / first)))
                         : cellHeight;
    font.setPixelSize(size);
    while (size > 1 && CellHeight(font) > cellHeight)
        font.setPixelSize(--size);
    for (;;) {
        QFont larger = font;
        larger.setPixelSize(size + 1);
        if (CellHeight(larger) > cellHeight)
            break;
        font = larger;
        ++size;
    }
}

}  // namespace

QFont QPainterDCFontCache::MakeFont(const LogFont& logFont) {
    QFont font;
    if (!logFont.faceName.empty())
        font.setFamily(
            QString::fromLatin1(logFont.faceName.data(), qsizetype(logFont.faceName.size())));
    font.setStyleHint(StyleHintOf(logFont.pitchAndFamily));
    font.setWeight(QFont::Weight(std::clamp(logFont.weight > 0 ? logFont.weight : 400, 1, 1000)));
    font.setItalic(logFont.italic);
    font.setUnderline(logFont.underline);
    font.setStrikeOut(logFont.strikeOut);
    if (logFont.height > 0)
        SetCellHeight(font, logFont.height);
    else if (logFont.height < 0)
        font.setPixelSize(-logFont.height);  // negative: the character height itself
    else
        SetCellHeight(font, 16);
    return font;
}

QPainterDCFontCache::Key QPainterDCFontCache::KeyOf(const LogFont& f) {
    return {f.height,    f.width,     f.escapement, f.orientation,    f.weight,  f.italic,
            f.underline, f.strikeOut, f.charSet,    f.pitchAndFamily, f.faceName};
}

const QPainterDCFontCache::Entry& QPainterDCFontCache::Get(const LogFont* logFont) {
    static const LogFont systemFont = SystemLogFont();
    const LogFont& wanted = logFont ? *logFont : systemFont;
    Key key = KeyOf(wanted);
    auto it = m_entries.find(key);
    if (it == m_entries.end())
        it = m_entries.try_emplace(std::move(key), MakeFont(wanted)).first;
    return it->second;
}
