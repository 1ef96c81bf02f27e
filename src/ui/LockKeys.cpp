#include "ui/LockKeys.h"

#ifdef TSN_HAVE_X11
#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

// After Qt's headers: Xlib defines macros (Bool, Status) that they reject.
#include <X11/XKBlib.h>
#endif

#ifdef TSN_HAVE_X11
namespace {

// The named keyboard indicator's state; false when the server has no such light.
bool IndicatorOn(Display* display, const char* name) {
    const Atom atom = XInternAtom(display, name, True);
    if (atom == None)
        return false;
    Bool on = False;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
        return false;
    return on == True;
}

}  // namespace
#endif

std::optional<LockKeyStates> QueryLockKeys() {
#ifdef TSN_HAVE_X11
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return std::nullopt;
    return LockKeyStates{IndicatorOn(display, "Caps Lock"), IndicatorOn(display, "Num Lock"),
                         IndicatorOn(display, "Scroll Lock")};
#else
    return std::nullopt;
#endif
}
