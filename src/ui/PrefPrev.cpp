#include "ui/PrefPrev.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <limits>

#include "ui/DialogTemplate.h"

bool ParseDialogInteger(const QString& text, int& value) {
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == u'+' || trimmed[i] == u'-')) {
        negative = trimmed[i] == u'-';
        ++i;
    }
    if (i == trimmed.size())
        return false;
    long long number = 0;
    for (; i < trimmed.size(); ++i) {
        const char16_t c = trimmed[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        number = number * 10 + (c - u'0');
        if (number > static_cast<long long>(std::numeric_limits<int>::max()) + 1)
            return false;
    }
    if (negative)
        number = -number;
    if (number > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(number);
    return true;
}

namespace {

template <typename Control>
Control* Named(Control* control, int id) {
    control->setObjectName(QStringLiteral("control%1").arg(id));
    return control;
}

}  // namespace

CPrefPrev::CPrefPrev(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Image Preview"));
    DialogTemplate page(*this);
    setFixedSize(page.units().ToPixels(QSize(210, 104)));

    QRadioButton* full =
        Named(page.Radio(QStringLiteral("&Full Size"), {20, 37, 45, 10}), kFullSize);
    QRadioButton* half =
        Named(page.Radio(QStringLiteral("&Half Size"), {82, 37, 48, 10}), kHalfSize);
    QRadioButton* limited =
        Named(page.Radio(QStringLiteral("&Limited Size"), {143, 37, 56, 10}), kLimitedSize);
    m_maxSizeX = Named(page.Edit({67, 70, 31, 13}), kMaxSizeX);
    m_maxSizeY = Named(page.Edit({152, 70, 31, 13}), kMaxSizeY);
    page.Static(QStringLiteral("Max Size Y :"), {113, 72, 37, 8});
    page.Static(QStringLiteral("Max Size X :"), {30, 72, 37, 8});
    page.GroupBox(QStringLiteral("Preview Size"), {14, 24, 189, 29});
    m_displayImage =
        Named(page.Check(QStringLiteral("Display Image"), {14, 7, 55, 11}), kDisplayImage);
    page.GroupBox(QStringLiteral("Limited Size Options"), {14, 58, 189, 32});

    // The radio buttons are reached by the mouse and their mnemonics, not by Tab.
    m_previewType = new QButtonGroup(this);
    int index = 0;
    for (QRadioButton* radio : {full, half, limited}) {
        radio->setFocusPolicy(Qt::ClickFocus);
        m_previewType->addButton(radio, index++);
    }
}

void CPrefPrev::showEvent(QShowEvent* event) {
    if (!m_initialized) {
        m_initialized = true;
        DoDataExchange(false);
    }
    QWidget::showEvent(event);
}

bool CPrefPrev::DoDataExchange(bool save, QLineEdit** failedField) {
    if (!save) {
        // An index outside 0-2 leaves every button unchecked.
        m_previewType->setExclusive(false);
        for (QAbstractButton* button : m_previewType->buttons())
            button->setChecked(m_previewType->id(button) == m_nPreviewType);
        m_previewType->setExclusive(true);
        m_maxSizeX->setText(QString::number(m_nMaxSizeX));
        m_maxSizeY->setText(QString::number(m_nMaxSizeY));
        // Any value but 0 shows the picture, so any such value ticks the box.
        m_displayImage->setChecked(m_bDisplayImage != 0);
        return true;
    }
    int sizeX = 0;
    int sizeY = 0;
    for (auto [field, value] : {std::pair{m_maxSizeX, &sizeX}, std::pair{m_maxSizeY, &sizeY}}) {
        if (!ParseDialogInteger(field->text(), *value)) {
            if (failedField)
                *failedField = field;
            return false;
        }
    }
    m_nPreviewType = m_previewType->checkedId();
    m_nMaxSizeX = sizeX;
    m_nMaxSizeY = sizeY;
    m_bDisplayImage = m_displayImage->isChecked() ? 1 : 0;
    return true;
}
