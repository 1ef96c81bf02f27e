#pragma once
// Runs the shell's modal dialogs. The program runs them for real; tests put in a
// runner that answers at once, so that no test waits on a dialog.

#include <QDialog>

class DialogRunner {
public:
    virtual ~DialogRunner() = default;
    // Shows `dialog` modally; returns QDialog::Accepted or QDialog::Rejected.
    virtual int RunModal(QDialog& dialog) = 0;
};

class ModalDialogRunner : public DialogRunner {
public:
    int RunModal(QDialog& dialog) override { return dialog.exec(); }
};
