#include "ui/BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace {

// How many busy cursors are on; a pause takes them all off.
int g_busy = 0;

}  // namespace

BusyCursor::BusyCursor() {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    ++g_busy;
}

BusyCursor::~BusyCursor() {
    --g_busy;
    QGuiApplication::restoreOverrideCursor();
}

bool BusyCursor::IsBusy() {
    return g_busy > 0;
}

BusyCursor::Pause::Pause() : m_paused(g_busy) {
    for (int i = 0; i < m_paused; ++i)
        QGuiApplication::restoreOverrideCursor();
}

BusyCursor::Pause::~Pause() {
    for (int i = 0; i < m_paused; ++i)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}
