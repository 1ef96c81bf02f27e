#include "ui/FontsAhead.h"

#include <QFontDatabase>
#include <QStringList>
#include <system_error>

#ifdef TSN_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

FontConfigAhead::FontConfigAhead() {
#ifdef TSN_HAVE_FONTCONFIG
    try {
        // Qt's fonts come from fontconfig here; its configuration is process-wide and
        // its loading thread-safe, so Qt finds it read.
        m_read = std::async(std::launch::async, [] { FcInit(); }).share();
    } catch (const std::system_error&) {
        // No thread: Qt reads the configuration itself when it needs it.
    }
#endif
}

void FontConfigAhead::Wait() const {
    if (m_read.valid())
        m_read.wait();
}

FontListAhead::FontListAhead(const FontConfigAhead& config) {
    try {
        // Every function of Qt's font database may be called from any thread; the first
        // call fills it, and the window's first text measure then finds it filled.
        m_thread = std::thread([&config] {
            config.Wait();
            (void)QFontDatabase::families();
        });
    } catch (const std::system_error&) {
        // No thread: the window fills the font database as it measures its text.
    }
}

FontListAhead::~FontListAhead() {
    if (m_thread.joinable())
        m_thread.join();
}
