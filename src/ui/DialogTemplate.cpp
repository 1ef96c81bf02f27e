#include "ui/DialogTemplate.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

void SetupModalFrame(QDialog& dialog, const QString& title, QSize size) {
    dialog.setWindowTitle(title);
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint);
    dialog.setModal(true);
    dialog.setFont(DialogFont());
    dialog.setFixedSize(DialogBaseUnits::Of(dialog.font()).ToPixels(size));
}

DialogTemplate::DialogTemplate(QWidget& owner) : m_owner(owner) {
    m_owner.setFont(DialogFont());
    m_units = DialogBaseUnits::Of(m_owner.font());
}

namespace {

QRect Place(const DialogBaseUnits& units, QRect du) {
    return units.ToPixels(du.x(), du.y(), du.width(), du.height());
}

}  // namespace

QPushButton* DialogTemplate::Button(const QString& text, QRect du, bool isDefault) {
    auto* button = new QPushButton(text, &m_owner);
    button->setGeometry(Place(m_units, du));
    button->setAutoDefault(false);
    button->setDefault(isDefault);
    return button;
}

QLabel* DialogTemplate::Static(const QString& text, QRect du, Qt::Alignment alignment) {
    auto* label = new QLabel(&m_owner);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setWordWrap(true);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setGeometry(Place(m_units, du));
    return label;
}

QGroupBox* DialogTemplate::GroupBox(const QString& title, QRect du) {
    auto* box = new QGroupBox(title, &m_owner);
    box->setGeometry(Place(m_units, du));
    box->setFocusPolicy(Qt::NoFocus);
    box->lower();
    return box;
}

QLabel* DialogTemplate::Icon(const QIcon& icon, QRect du) {
    auto* label = new QLabel(&m_owner);
    const QSize size(32, 32);
    label->setPixmap(icon.pixmap(size));
    label->setGeometry(QRect(Place(m_units, du).topLeft(), size));
    return label;
}

QRadioButton* DialogTemplate::Radio(const QString& text, QRect du) {
    auto* radio = new QRadioButton(text, &m_owner);
    radio->setGeometry(Place(m_units, du));
    return radio;
}

QCheckBox* DialogTemplate::Check(const QString& text, QRect du) {
    auto* check = new QCheckBox(text, &m_owner);
    check->setGeometry(Place(m_units, du));
    return check;
}

QLineEdit* DialogTemplate::Edit(QRect du) {
    auto* edit = new QLineEdit(&m_owner);
    edit->setGeometry(Place(m_units, du));
    return edit;
}
