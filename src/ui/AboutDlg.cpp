#include "ui/AboutDlg.h"

#include <QPushButton>

#include "ui/AppIcons.h"
#include "ui/DialogTemplate.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    SetupModalFrame(*this, QStringLiteral("About Tessellon Viewer"), QSize(170, 151));
    DialogTemplate dialog(*this);
    dialog.Icon(ApplicationIcon(), QRect(77, 13, 18, 20));
    dialog.Static(QStringLiteral("Tessellon Viewer Version 1.1"), QRect(33, 30, 108, 8));
    dialog.Static(QStringLiteral("Copyright (C) 2026 the authors"), QRect(34, 41, 102, 8));
    QPushButton* ok = dialog.Button(QStringLiteral("OK"), QRect(69, 129, 32, 14), true);
    dialog.Static(QStringLiteral("Using tSN Protocol Rev 1.0"), QRect(43, 65, 83, 8));
    dialog.GroupBox(QString(), QRect(7, 7, 156, 48));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
