#include "ui/MessageDlg.h"

#include <QLabel>
#include <QPushButton>

#include "platform/Win1252.h"
#include "ui/DialogTemplate.h"

CMessageDlg::CMessageDlg(QWidget* parent) : QDialog(parent) {
    SetupModalFrame(*this, QStringLiteral("Message"), QSize(193, 50));
    DialogTemplate dialog(*this);
    QPushButton* ok = dialog.Button(QStringLiteral("OK"), QRect(72, 29, 50, 14), true);
    m_text = dialog.Static(QStringLiteral("text"), QRect(17, 14, 159, 11), Qt::AlignHCenter);
    m_text->setObjectName(QStringLiteral("control%1").arg(kTextControlId));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void CMessageDlg::showEvent(QShowEvent* event) {
    m_text->setText(QString::fromStdString(Win1252ToUtf8(m_message)));
    QDialog::showEvent(event);
}
