#pragma once
// The document's one-line notice, such as an image without cards. m_message goes
// into the text control when the dialog is shown; a text longer than the line is
// cut off.

#include <QDialog>
#include <string>

class QLabel;

class CMessageDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTextControlId = 1000;
    explicit CMessageDlg(QWidget* parent = nullptr);

    // The label of control 1000.
    QLabel* textControl() const { return m_text; }

    std::string m_message;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_text = nullptr;
};
