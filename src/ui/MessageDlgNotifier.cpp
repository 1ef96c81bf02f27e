#include "ui/MessageDlgNotifier.h"

#include "ui/BusyCursor.h"
#include "ui/DialogRunner.h"
#include "ui/MessageDlg.h"

void MessageDlgNotifier::ShowMessage(const std::string& text) {
    CMessageDlg dialog(m_owner);
    dialog.m_message = text;
    // The notice comes while the picture opens: it is answered with the normal cursor.
    BusyCursor::Pause pause;
    m_runner.RunModal(dialog);
}
