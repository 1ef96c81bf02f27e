// tsn-viewer: shows the cards that images carry in their comments.

#include <QApplication>
#include <utility>

#include "ui/DialogRunner.h"
#include "ui/EarlyOpen.h"
#include "ui/FontsAhead.h"
#include "ui/ShellStrings.h"
#include "ui/TsnApplication.h"

int main(int argc, char* argv[]) {
    // Fonts and the file named on the command line get a head start on threads of
    // their own while Qt connects to the display.
    const FontConfigAhead fontConfig;
    QApplication::setOrganizationName(QStringLiteral("Tessellon"));
    QApplication::setApplicationName(QString::fromLatin1(ShellText::kAppTitle));
    EarlyOpen early = EarlyOpen::Start(argc, argv);
    // The menu bar stays in the window, where the frame's layout puts it. Asking the
    // session bus for a desktop-wide menu would also hold up every start.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    QApplication application(argc, argv);
    const FontListAhead fonts(fontConfig);

    ModalDialogRunner runner;
    TsnApplication program(runner);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!program.InitInstance(arguments, std::move(early))) {
        program.ExitInstance();
        return 1;
    }
    QApplication::exec();
    return program.ExitInstance();
}
