#pragma once
// The "User Preferences" sheet: one tab, the Image Preview page, and the sheet's
// OK, Cancel and Apply buttons (Apply never enabled: the page reports no change).
// OK takes the page's values and refuses a size that is not an integer.

#include <QDialog>

#include "ui/PrefPrev.h"

class DialogRunner;
class QPushButton;
class QTabWidget;

class CPrefSht : public QDialog {
    Q_OBJECT

public:
    // runner shows the refusal of a non-integer size; nullptr shows it modally.
    CPrefSht(const QString& caption, QWidget* parent, int selectPage,
             DialogRunner* runner = nullptr);

    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* applyButton() const { return m_apply; }

    CPrefPrev m_pagePreview;

public slots:
    void accept() override;

private:
    QTabWidget* m_tabs = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_apply = nullptr;
    DialogRunner* m_runner;
};
