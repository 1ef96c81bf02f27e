// Going through a folder of images with the keys, and the main window coming back
// as it was left: over authored files in a private settings sandbox.

#include <QAction>
#include <QDir>
#include <QFile>
#include <memory>

#include "ShellTestSupport.h"
#include "ui/FolderBrowser.h"
#include "ui/MainFrame.h"
#include "ui/TsnApplication.h"

namespace {

struct Running : RunningProgram {
    QString shown() const { return QString::fromStdString(program->document()->m_path); }
};

// A folder of images named to test the natural order, with files the viewer does
// not load beside them.
struct Folder {
    QTemporaryDir dir;
    const QStringList images = {"a.pcx", "B.tiff", "img1.png", "img2.JPG", "img10.jpg"};

    Folder() {
        for (const QString& name : images)
            touch(name);
        for (const char* name : {"notes.txt", "img3.gif", "img4.jpg.bak"})
            touch(name);
        QDir(dir.path()).mkdir("img5.jpg");  // a folder, not a file
    }
    void touch(const QString& name) {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QString path(const QString& name) const { return dir.path() + "/" + name; }
};

QStringList Keys(const QAction* action) {
    QStringList keys;
    for (const QKeySequence& key : action->shortcuts())
        keys << key.toString(QKeySequence::PortableText);
    return keys;
}

}  // namespace

class BrowseTest : public QObject {
    Q_OBJECT

private slots:
    void folderListsItsImagesInNaturalOrder() {
        Folder folder;
        QStringList expected;
        for (const QString& name : folder.images)
            expected << folder.path(name);
        QCOMPARE(ImagesInFolder(folder.dir.path()), expected);
    }

    void neighboursStopAtTheEnds() {
        Folder folder;
        QCOMPARE(NeighbourImage(folder.path("a.pcx"), -1), QString());
        QCOMPARE(NeighbourImage(folder.path("a.pcx"), 1), folder.path("B.tiff"));
        QCOMPARE(NeighbourImage(folder.path("img2.JPG"), 1), folder.path("img10.jpg"));
        QCOMPARE(NeighbourImage(folder.path("img10.jpg"), -1), folder.path("img2.JPG"));
        QCOMPARE(NeighbourImage(folder.path("img10.jpg"), 1), QString());
        // A file that is not an image, or is gone, still has its place in the order.
        QCOMPARE(NeighbourImage(folder.path("img3.gif"), 1), folder.path("img10.jpg"));
        QCOMPARE(NeighbourImage(folder.path("img3.gif"), -1), folder.path("img2.JPG"));
        QCOMPARE(NeighbourImage(folder.path("c.jpg"), -1), folder.path("B.tiff"));
    }

    void keysOpenTheNeighboursAsFileOpenWould() {
        Running run;
        QTemporaryDir dir;
        for (const char* name : {"p1.jpg", "p2.jpg", "p10.jpg"})
            QVERIFY(
                WriteCardJpeg(dir.path() + "/" + name, name[1] == '2' ? "" : kGeneralAndCopyright));
        QAction* next = run.frame().nextImageAction();
        QAction* previous = run.frame().previousImageAction();
        QCOMPARE(Keys(next), QStringList({"Space", "Alt+Right"}));
        QCOMPARE(Keys(previous), QStringList({"Backspace", "Alt+Left"}));

        // Nothing shown yet: nothing to browse from.
        next->trigger();
        QCOMPARE(run.shown(), QString());

        QVERIFY(run.program->OpenDocumentFile(dir.path() + "/p1.jpg"));
        next->trigger();
        QCOMPARE(run.shown(), dir.path() + "/p2.jpg");
        // As File > Open: the notice of an image without cards, the title, the list.
        QCOMPARE(run.runner.classNames(), QStringList({"CMessageDlg"}));
        QCOMPARE(run.frame().windowTitle(), QString("p2.jpg - Tessellon Viewer"));
        QCOMPARE(run.program->recentFiles().paths().first(), dir.path() + "/p2.jpg");
        next->trigger();
        QCOMPARE(run.shown(), dir.path() + "/p10.jpg");
        next->trigger();  // the last: no wrapping
        QCOMPARE(run.shown(), dir.path() + "/p10.jpg");
        QCOMPARE(run.program->recentFiles().paths().size(), 3);

        previous->trigger();
        previous->trigger();
        QCOMPARE(run.shown(), dir.path() + "/p1.jpg");
        previous->trigger();  // the first
        QCOMPARE(run.shown(), dir.path() + "/p1.jpg");
        QCOMPARE(run.runner.classNames(), QStringList({"CMessageDlg", "CMessageDlg"}));
    }

    void windowComesBackAsItWasLeft() {
        Running run;
        run.frame().show();
        run.frame().resize(500, 380);
        run.frame().move(40, 30);
        run.restart();
        QCOMPARE(run.frame().size(), QSize(500, 380));
        QVERIFY(!run.frame().isMaximized());
        QVERIFY(SettingsSandbox::value("MainWindow/Geometry").toByteArray().size() > 0);
        QVERIFY(!SettingsSandbox::value("WindowGeometry").isValid());

        run.frame().showMaximized();
        run.restart();
        QVERIFY(run.frame().isMaximized());
        // The preferences keep their own keys beside it.
        QCOMPARE(SettingsSandbox::value("PreviewType").toInt(), 1);
    }

    // A place kept by an older version directly under the application's key is taken
    // once, moved into the window's own section and removed from the old place.
    void windowPlaceOfAnOlderVersionIsMovedOnce() {
        Running run;
        run.frame().show();
        run.frame().resize(420, 300);
        run.restart();
        const QByteArray saved = SettingsSandbox::value("MainWindow/Geometry").toByteArray();
        QVERIFY(!saved.isEmpty());
        {
            QSettings settings = SettingsSandbox::store();
            settings.remove("MainWindow/Geometry");
            settings.setValue("WindowGeometry", saved);
            settings.sync();
        }
        run.frame().resize(640, 480);
        run.program.reset();  // ended without saving: the old place is all there is
        run.start();
        QCOMPARE(run.frame().size(), QSize(420, 300));
        QVERIFY(!SettingsSandbox::value("WindowGeometry").isValid());
        QCOMPARE(SettingsSandbox::value("MainWindow/Geometry").toByteArray(), saved);
    }
};

QTEST_MAIN(BrowseTest)
#include "BrowseTest.moc"
