// tsn-viewer: shows the cards that images carry in their comments.

#include <QApplication>

#include "ui/DialogRunner.h"
#include "ui/ShellStrings.h"
#include "ui/TsnApplication.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tessellon"));
    QApplication::setApplicationName(QString::fromLatin1(ShellText::kAppTitle));

    ModalDialogRunner runner;
    TsnApplication program(runner);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!program.InitInstance(arguments)) {
        program.ExitInstance();
        return 1;
    }
    QApplication::exec();
    return program.ExitInstance();
}
