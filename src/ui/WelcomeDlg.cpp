#include "ui/WelcomeDlg.h"

#include <QPushButton>

#include "ui/DialogTemplate.h"

CWelcomeDlg::CWelcomeDlg(QWidget* parent) : QDialog(parent) {
    SetupModalFrame(*this, QStringLiteral("Welcome"), QSize(234, 115));
    DialogTemplate dialog(*this);
    QPushButton* ok = dialog.Button(QStringLiteral("OK"), QRect(63, 94, 50, 14), true);
    QPushButton* cancel = dialog.Button(QStringLiteral("Cancel"), QRect(120, 94, 50, 14));
    dialog.Static(QStringLiteral("Welcome to Tessellon!\n\ntSN Viewer lets you access info inside "
                                 "your images, that\nwere previously powered-up by tSN Publisher."),
                  QRect(18, 14, 199, 34), Qt::AlignHCenter);
    dialog.Static(QStringLiteral("To demonstrate tSN capabilities, there is an example image\nin "
                                 "the instalation directory that can be loaded now...\nShould we "
                                 "see that example now?"),
                  QRect(17, 55, 200, 35), Qt::AlignHCenter);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}
