#pragma once
// Builds a dialog's controls from a template given in dialog units: each control
// is placed at its (x, y, width, height) converted with the dialog font's base
// units, in template order, which is also the tab order.

#include <QRect>
#include <QSize>
#include <QString>

#include "ui/DialogUnits.h"

class QCheckBox;
class QDialog;
class QGroupBox;
class QIcon;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

// A fixed-size modal frame with a title bar and a system menu (close box), whose
// client area is `size` dialog units of the dialog font.
void SetupModalFrame(QDialog& dialog, const QString& title, QSize size);

class DialogTemplate {
public:
    // Gives `owner` the dialog font; the controls become its children.
    explicit DialogTemplate(QWidget& owner);

    const DialogBaseUnits& units() const { return m_units; }

    // A push button; the default one is pressed by Enter.
    QPushButton* Button(const QString& text, QRect du, bool isDefault = false);
    // Static text, wrapped at the control's width and cut off below its height. A
    // one-line text grows its control when the font needs more room than given;
    // so do the texts of radio buttons and check boxes.
    QLabel* Static(const QString& text, QRect du, Qt::Alignment alignment = Qt::AlignLeft);
    // A frame drawn behind the controls it surrounds.
    QGroupBox* GroupBox(const QString& title, QRect du);
    // An icon of 32 pixels (less if its box is smaller), from the box's top-left.
    QLabel* Icon(const QIcon& icon, QRect du);
    QRadioButton* Radio(const QString& text, QRect du);
    QCheckBox* Check(const QString& text, QRect du);
    QLineEdit* Edit(QRect du);

private:
    QWidget& m_owner;
    DialogBaseUnits m_units;
};
