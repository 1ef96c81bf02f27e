#pragma once
// Shows the document's notices in the message dialog, owned by the main window.

#include <string>

#include "doc/Ctsn_viewerDoc.h"

class DialogRunner;
class QWidget;

class MessageDlgNotifier : public DocumentNotifier {
public:
    explicit MessageDlgNotifier(DialogRunner& runner) : m_runner(runner) {}

    // The window the dialog is centred on; nullptr for none.
    void SetOwner(QWidget* owner) { m_owner = owner; }
    void ShowMessage(const std::string& text) override;

private:
    DialogRunner& m_runner;
    QWidget* m_owner = nullptr;
};
