#pragma once
// The shell's pictures, bundled as resources: the application icon and the eight
// toolbar buttons (16 x 15 pixels), made by icons/make_icons.py.

#include <QIcon>
#include <QString>

QIcon ApplicationIcon();
// A toolbar button by name ("open", "copy", "general", "business", "collection",
// "copyright", "print", "about").
QIcon ToolbarIcon(const QString& name);
