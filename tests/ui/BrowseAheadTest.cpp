// Browsing with the neighbours opened ahead on the worker: what a press shows is
// what File > Open gives, whether the picture was held, dropped as stale, being
// opened, or opened on the worker behind a draft.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QSignalSpy>

#include <condition_variable>
#include <mutex>
#include "ShellTestSupport.h"

#include "ui/BrowseSession.h"
#include "ui/DocumentWorker.h"
#include "ui/FolderListing.h"
#include "ui/MainFrame.h"
#include "ui/TsnApplication.h"
#include "ui/ViewWidget.h"

namespace {

struct Running : RunningProgram {
    QString shown() const { return QString::fromStdString(program->document()->m_path); }
    BrowseSession& browsing() { return *program->browsing(); }
    void next() { frame().nextImageAction()->trigger(); }
    void previous() { frame().previousImageAction()->trigger(); }
};

// p1.jpg ... pN.jpg, each a solid colour; the even ones without cards.
struct Folder {
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.path() + "/" + name; }
    QString picture(int n) const { return path(QString("p%1.jpg").arg(n)); }
    bool write(const QString& file, const std::string& card, fixtures::Rgba colour, int width = 120,
               int height = 80) {
        std::vector<std::string> comments = {"an ordinary comment"};
        if (!card.empty())
            comments.insert(comments.begin(), ScrambleComment(card).value_or(""));
        fixtures::JpegOptions options;
        options.pixel = fixtures::Solid(colour);
        return fixtures::WriteJpegFile(file.toStdString(), width, height, comments, options);
    }
    explicit Folder(int count) {
        for (int n = 1; n <= count; ++n)
            write(picture(n), n % 2 ? kGeneralAndCopyright : "", {40, 40, 200, 255});
    }
};

QRgb PixelAt(QWidget& widget, QPoint at) {
    return widget.grab().toImage().pixel(at);
}

bool Reddish(QRgb pixel) {
    return qRed(pixel) > 180 && qBlue(pixel) < 80;
}

bool Greenish(QRgb pixel) {
    return qGreen(pixel) > 180 && qRed(pixel) < 80;
}

}  // namespace

class BrowseAheadTest : public QObject {
    Q_OBJECT

private slots:
    void aHeldPictureIsShownWithoutOpeningItAgain() {
        Folder folder(3);
        Running run;
        QVERIFY(run.program->OpenDocumentFile(folder.picture(1)));
        QTRY_VERIFY(run.browsing().holds(folder.picture(2)));
        const int opens = run.browsing().workerOpens();

        run.next();
        QCOMPARE(run.shown(), folder.picture(2));
        QCOMPARE(run.browsing().windowOpens(), 0);
        QCOMPARE(run.browsing().workerOpens(), opens);
        // As File > Open: the notice of an image without cards, the title, the list.
        QCOMPARE(run.runner.classNames(), QStringList({"CMessageDlg"}));
        QCOMPARE(run.frame().windowTitle(), QString("p2.jpg - Tessellon Viewer"));
        QCOMPARE(run.program->recentFiles().paths().first(), folder.picture(2));
        QCOMPARE(run.program->document()->m_previewSize, (Size{60, 40}));

        // Going on the way it went: the next one first, and the one left behind.
        QTRY_VERIFY(run.browsing().holds(folder.picture(3)));
        QTRY_VERIFY(run.browsing().holds(folder.picture(1)));
        run.previous();
        QCOMPARE(run.shown(), folder.picture(1));
        QCOMPARE(run.program->document()->m_found, 1);
        QCOMPARE(run.browsing().windowOpens(), 0);
    }

    void aHeldPictureWhoseFileChangedIsOpenedAgain() {
        Folder folder(2);
        Running run;
        QVERIFY(run.program->OpenDocumentFile(folder.picture(1)));
        QTRY_VERIFY(run.browsing().holds(folder.picture(2)));
        // Rewritten with a card and another size.
        QVERIFY(folder.write(folder.picture(2), kGeneralAndCopyright, {40, 40, 200, 255}, 100));

        run.next();
        QCOMPARE(run.shown(), folder.picture(2));
        QCOMPARE(run.browsing().windowOpens(), 1);
        QCOMPARE(run.program->document()->m_found, 1);
        QCOMPARE(run.program->document()->m_imageSize, (Size{100, 80}));
        QVERIFY(run.runner.classNames().isEmpty());
    }

    void aPreferenceChangeDropsWhatIsHeld() {
        Folder folder(3);
        Running run;
        QVERIFY(run.program->OpenDocumentFile(folder.picture(2)));
        QTRY_VERIFY(run.browsing().holds(folder.picture(3)));
        QTRY_VERIFY(run.browsing().holds(folder.picture(1)));

        run.runner.answer("CPrefSht", QDialog::Accepted);
        run.program->OnPreferences();
        QVERIFY(!run.browsing().holds(folder.picture(1)));
        QVERIFY(!run.browsing().holds(folder.picture(3)));

        // Changed behind the dialog's back: still not shown as it was made.
        QTRY_VERIFY(run.browsing().holds(folder.picture(3)));
        run.program->app().m_previewType = 0;
        run.next();
        QCOMPARE(run.shown(), folder.picture(3));
        QCOMPARE(run.browsing().windowOpens(), 1);
        QCOMPARE(run.program->document()->m_previewSize, (Size{120, 80}));
    }

    void aPressForThePictureBeingOpenedShowsThatOpenWhenDone() {
        Folder folder(2);
        // Large enough to take a while to decode.
        QVERIFY(folder.write(folder.picture(2), "", {200, 40, 40, 255}, 3000, 2000));
        Running run;
        run.browsing().setWorkerOpenFromBytes(0);  // its draft comes while it is opened
        QVERIFY(run.program->OpenDocumentFile(folder.picture(1)));
        QTRY_COMPARE(run.browsing().workerOpens(), 1);  // p2 opened ahead

        // The press does not wait: until the open is done, its draft is what shows.
        run.next();
        ViewWidget& view = run.frame().viewWidget();
        // Shown at once when the open was done; otherwise its draft shows and the open
        // under way is the one to be shown, not a second one.
        if (run.shown() != folder.picture(2)) {
            QVERIFY(view.showsDraft());
            QCOMPARE(run.browsing().workerOpens(), 1);
        }
        QTRY_COMPARE(run.shown(), folder.picture(2));
        QVERIFY(!view.showsDraft());
        QCOMPARE(run.browsing().windowOpens(), 0);
        QCOMPARE(run.program->document()->m_imageSize, (Size{3000, 2000}));
    }

    void aBurstOfPressesEndsOnTheLastPictureAskedFor() {
        Folder folder(6);
        Running run;
        run.browsing().setWorkerOpenFromBytes(0);  // every press goes to the worker
        QVERIFY(run.program->OpenDocumentFile(folder.picture(1)));
        for (int i = 0; i < 4; ++i)
            run.next();
        QCOMPARE(run.browsing().position(), folder.picture(5));
        QTRY_COMPARE(run.shown(), folder.picture(5));
        QCOMPARE(run.browsing().windowOpens(), 0);
        // Only the picture shown was opened as far as the user can see.
        QCOMPARE(run.program->recentFiles().paths().mid(0, 2),
                 QStringList({folder.picture(5), folder.picture(1)}));
        QCOMPARE(run.frame().windowTitle(), QString("p5.jpg - Tessellon Viewer"));
    }

    void requestsFasterThanOpensDoNotQueueUp() {
        std::mutex mutex;
        std::condition_variable changed;
        bool released = false;
        QStringList opened;
        DocumentWorker worker([] {},
                              [&](DocumentWorker::Request& request) {
                                  std::unique_lock lock(mutex);
                                  opened << QString::fromStdString(request.path);
                                  changed.notify_all();
                                  changed.wait(lock, [&] { return released; });
                                  return std::unique_ptr<PreparedDocument>();
                              });
        auto request = [](const char* path) { return DocumentWorker::Request{path, {}, 1.0}; };
        worker.Submit(request("a"));
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return !opened.isEmpty(); });
        }
        QVERIFY(worker.IsOpening("a"));
        for (const char* path : {"b", "c", "d"})
            worker.Submit(request(path));
        QVERIFY(!worker.IsOpening("d"));
        {
            std::lock_guard lock(mutex);
            released = true;
        }
        changed.notify_all();
        QTRY_VERIFY(worker.IsIdle());
        QCOMPARE(opened, QStringList({"a", "d"}));
        const std::vector<DocumentWorker::Finished> finished = worker.TakeFinished();
        QCOMPARE(finished.size(), std::size_t(2));
        QCOMPARE(finished[0].path, "a");
        QCOMPARE(finished[1].path, "d");
        QVERIFY(worker.TakeFinished().empty());  // each handed out once
        QCOMPARE(worker.OpensStarted(), 2);
    }

    void theFolderChangingUnderTheViewerIsFollowed() {
        Folder folder(2);
        QVERIFY(folder.write(folder.picture(10), "", {40, 40, 200, 255}));
        Running run;
        QVERIFY(run.program->OpenDocumentFile(folder.picture(1)));
        run.next();
        run.next();
        run.previous();
        QTRY_COMPARE(run.shown(), folder.picture(2));
        QCOMPARE(run.browsing().listing().listings(), 1);  // read once, kept

        QSignalSpy changed(&run.browsing().listing(), &FolderListing::changed);
        QVERIFY(folder.write(folder.picture(3), "", {40, 40, 200, 255}));
        QTRY_VERIFY(!changed.isEmpty());
        run.next();
        QTRY_COMPARE(run.shown(), folder.picture(3));

        changed.clear();
        QVERIFY(QFile::rename(folder.picture(10), folder.picture(0)));
        QVERIFY(QFile::remove(folder.picture(2)));
        QTRY_VERIFY(!changed.isEmpty());
        run.next();  // p10 is gone: p3 is the last
        QTRY_COMPARE(run.shown(), folder.picture(3));
        run.previous();
        QTRY_COMPARE(run.shown(), folder.picture(1));
        run.previous();
        QTRY_COMPARE(run.shown(), folder.picture(0));
    }

    void aDraftShowsUntilTheFullPictureReplacesItAndIsNeverPrinted() {
        Folder folder(1);
        QVERIFY(folder.write(folder.picture(2), kGeneralAndCopyright, {220, 20, 20, 255}));
        Running run;
        run.frame().show();
        run.browsing().setWorkerOpenFromBytes(0);
        QVERIFY(run.program->OpenDocumentFile(folder.picture(1)));
        ViewWidget& view = run.frame().viewWidget();

        run.next();
        QVERIFY(view.showsDraft());
        QCOMPARE(run.shown(), folder.picture(1));  // the document is still the old one
        // In the picture's place, at its size (half of 120 x 80).
        const QImage screen = view.viewport()->grab().toImage();
        QVERIFY(Reddish(screen.pixel(30, 30)));
        QVERIFY(Reddish(screen.pixel(68, 48)));
        QVERIFY(!Reddish(screen.pixel(72, 52)));
        // What printing and the page painter draw is the document's, never the draft.
        QImage page(view.viewport()->size(), QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            QPainter painter(&page);
            view.paintPage(painter);
        }
        QVERIFY(!Reddish(page.pixel(30, 30)));

        QTRY_COMPARE(run.shown(), folder.picture(2));
        QVERIFY(!view.showsDraft());
        QVERIFY(Reddish(PixelAt(*view.viewport(), QPoint(30, 30))));
        QCOMPARE(run.frame().windowTitle(), QString("p2.jpg - Tessellon Viewer"));
    }

    void picturesFurtherAheadShowDraftsMadeAheadWhileTheirFilesStayTheSame() {
        // All with cards: no notice runs an event loop between the presses.
        Folder folder(1);
        for (int n : {2, 3, 4})
            QVERIFY(folder.write(folder.picture(n), kGeneralAndCopyright, {20, 220, 20, 255}));
        Running run;
        run.frame().show();
        run.browsing().setWorkerOpenFromBytes(0);  // every picture gets a draft
        QVERIFY(run.program->OpenDocumentFile(folder.picture(1)));
        QTRY_VERIFY(run.browsing().drafts().DraftsMade() >= 2 && run.browsing().drafts().IsIdle());
        // Rewritten after its draft was made: that draft is stale.
        QVERIFY(folder.write(folder.picture(4), kGeneralAndCopyright, {220, 20, 20, 255}));
        ViewWidget& view = run.frame().viewWidget();
        auto draftPixel = [&] { return view.viewport()->grab().toImage().pixel(30, 30); };

        run.next();
        run.next();
        QVERIFY(view.showsDraft());
        QVERIFY(Greenish(draftPixel()));
        QCOMPARE(run.browsing().draftsDecodedOnPress(), 0);

        run.next();
        QVERIFY(view.showsDraft());
        QVERIFY(Reddish(draftPixel()));
        QCOMPARE(run.browsing().draftsDecodedOnPress(), 1);
        QTRY_COMPARE(run.shown(), folder.picture(4));
        QVERIFY(!view.showsDraft());
    }

    void nothingIsOpenedAheadBeforeTheViewIsNextPainted() {
        Folder folder(2);
        Running run;
        run.frame().hide();
        run.browsing().readAheadOncePainted();
        QVERIFY(run.program->OpenDocumentFile(folder.picture(1)));
        QCoreApplication::processEvents();
        QVERIFY(run.browsing().workerIdle());
        QVERIFY(!run.browsing().holds(folder.picture(2)));

        run.frame().show();
        QTRY_VERIFY(run.browsing().holds(folder.picture(2)));
    }

    void aLargeFileNamedAtStartIsOpenedBesideTheWindowBeingBuilt() {
        Folder folder(0);
        // Noise: a file over the size that is opened on the worker.
        fixtures::JpegOptions options;
        options.pixel = [](int x, int y) {
            const auto v = std::uint8_t((x * 7919 + y * 104729) ^ (x * y));
            return fixtures::Rgba{255, v, std::uint8_t(v / 4), 255};
        };
        const QString big = folder.path("big.jpg");
        QVERIFY(fixtures::WriteJpegFile(big.toStdString(), 2000, 1500, {}, options));
        QVERIFY(QFileInfo(big).size() >= qint64(2) << 20);
        Running run;
        run.program = std::make_unique<TsnApplication>(run.runner);
        QVERIFY(run.program->InitInstance({big}));
        ViewWidget& view = run.frame().viewWidget();
        QTRY_COMPARE(run.shown(), big);
        QCOMPARE(view.draftsShown(), 1);  // made first, while the window was built
        QVERIFY(!view.showsDraft());
        QCOMPARE(run.frame().windowTitle(), QString("big.jpg - Tessellon Viewer"));
        QCOMPARE(run.program->recentFiles().paths().first(), big);
        QCOMPARE(run.runner.classNames(), QStringList({"CMessageDlg"}));  // no cards
    }
};

QTEST_MAIN(BrowseAheadTest)
#include "BrowseAheadTest.moc"
