#pragma once
// The "Image Preview" page of the User Preferences sheet: whether the picture is
// shown, the preview size and the two limits of the limited size. Its members are
// working copies; the sheet's caller copies them from and back to the application.

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QLineEdit;

// A decimal integer, optionally signed, with blanks around it allowed; false for
// anything else, including a number beyond the 32-bit range.
bool ParseDialogInteger(const QString& text, int& value);

class CPrefPrev : public QWidget {
    Q_OBJECT

public:
    // Control ids, also the controls' object names ("control1010" ...).
    static constexpr int kFullSize = 1010;
    static constexpr int kHalfSize = 1012;
    static constexpr int kLimitedSize = 1013;
    static constexpr int kMaxSizeX = 1009;
    static constexpr int kMaxSizeY = 1011;
    static constexpr int kDisplayImage = 1001;

    explicit CPrefPrev(QWidget* parent = nullptr);

    // Puts the members into the controls (save = false) or takes them back
    // (save = true). Taking them fails on a size field that does not hold an
    // integer: the members are then left as they were and *failedField names it.
    bool DoDataExchange(bool save, QLineEdit** failedField = nullptr);

    QLineEdit* maxSizeX() const { return m_maxSizeX; }
    QLineEdit* maxSizeY() const { return m_maxSizeY; }
    QCheckBox* displayImage() const { return m_displayImage; }
    QButtonGroup* previewType() const { return m_previewType; }

    int m_nPreviewType = -1;  // 0 full, 1 half, 2 limited size; -1 none checked
    int m_nMaxSizeX = 0;
    int m_nMaxSizeY = 0;
    int m_bDisplayImage = 0;  // 1 checked, 0 unchecked

protected:
    // The members reach the controls when the page is first shown.
    void showEvent(QShowEvent* event) override;

private:
    QButtonGroup* m_previewType = nullptr;
    QLineEdit* m_maxSizeX = nullptr;
    QLineEdit* m_maxSizeY = nullptr;
    QCheckBox* m_displayImage = nullptr;
    bool m_initialized = false;
};
