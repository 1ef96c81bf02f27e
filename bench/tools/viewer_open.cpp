// The viewer from exec to its picture on screen: the viewer's own start-up and open of
// the file given, ended right after the first paint of the view (the open happens
// before the window shows, so that paint shows the picture). Run it under a timer.

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include "ui/DialogRunner.h"
#include "ui/ShellStrings.h"
#include "ui/TsnApplication.h"
#include "ui/ViewWidget.h"

namespace {

class FirstViewPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_seen && watched->parent() &&
            qobject_cast<ViewWidget*>(watched->parent())) {  // the scroll area's viewport
            m_seen = true;
            QTimer::singleShot(0, qApp, &QApplication::quit);
        }
        return false;
    }

private:
    bool m_seen = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tessellon"));
    QApplication::setApplicationName(QString::fromLatin1(ShellText::kAppTitle));
    FirstViewPaint watcher;
    application.installEventFilter(&watcher);

    ModalDialogRunner runner;
    TsnApplication program(runner);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!program.InitInstance(arguments))
        return 1;
    QApplication::exec();
    return program.ExitInstance();
}
