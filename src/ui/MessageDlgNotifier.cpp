#include "ui/MessageDlgNotifier.h"

#include "ui/DialogRunner.h"
#include "ui/MessageDlg.h"

void MessageDlgNotifier::ShowMessage(const std::string& text) {
    CMessageDlg dialog(m_owner);
    dialog.m_message = text;
    m_runner.RunModal(dialog);
}
