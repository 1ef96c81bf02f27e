#include "ui/DialogTemplate.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

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

// A one-line control whose text is wider than its place in the template (the
// standing-in font may run wider than the dialog font) grows to show it whole:
// centred text on both sides, other text to the right as far as the next control
// on its row, then to the left.
void FitWidth(QWidget& control, int needed, Qt::Alignment alignment) {
    QRect place = control.geometry();
    const int extra = needed - place.width();
    if (extra <= 0)
        return;
    if (alignment & Qt::AlignHCenter) {
        place.adjust(-extra / 2, 0, extra - extra / 2, 0);
        control.setGeometry(place);
        return;
    }
    int rightLimit = control.parentWidget()->width();
    int leftLimit = 0;
    for (const QWidget* sibling :
         control.parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QRect other = sibling->geometry();
        if (sibling == &control || qobject_cast<const QGroupBox*>(sibling) ||
            other.bottom() < place.top() || other.top() > place.bottom())
            continue;
        if (other.left() > place.left())
            rightLimit = std::min(rightLimit, other.left() - 1);
        else if (other.right() < place.left())
            leftLimit = std::max(leftLimit, other.right() + 1);
    }
    const int right = std::max(place.right(), std::min(place.left() + needed - 1, rightLimit));
    place.setRight(right);
    const int left = std::max(leftLimit, place.right() + 1 - needed);
    place.setLeft(std::min(place.left(), left));
    control.setGeometry(place);
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
    const bool oneLine = !text.contains(QLatin1Char('\n')) && du.height() < 16;
    if (oneLine)
        FitWidth(*label, label->fontMetrics().horizontalAdvance(text) + 2, alignment);
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
    // 32 pixels square, unless the template's box is smaller in this font.
    const QRect box = Place(m_units, du);
    const int side = std::min({32, box.width(), box.height()});
    label->setPixmap(icon.pixmap(QSize(side, side)));
    label->setGeometry(QRect(box.topLeft(), QSize(side, side)));
    return label;
}

QRadioButton* DialogTemplate::Radio(const QString& text, QRect du) {
    auto* radio = new QRadioButton(text, &m_owner);
    radio->setGeometry(Place(m_units, du));
    FitWidth(*radio, radio->sizeHint().width(), Qt::AlignLeft);
    return radio;
}

QCheckBox* DialogTemplate::Check(const QString& text, QRect du) {
    auto* check = new QCheckBox(text, &m_owner);
    check->setGeometry(Place(m_units, du));
    FitWidth(*check, check->sizeHint().width(), Qt::AlignLeft);
    return check;
}

QLineEdit* DialogTemplate::Edit(QRect du) {
    auto* edit = new QLineEdit(&m_owner);
    edit->setGeometry(Place(m_units, du));
    return edit;
}
