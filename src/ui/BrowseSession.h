#pragma once
// Going through the folder of the shown file with the keys. While a picture is
// shown and nothing else happens, its neighbours are opened on a worker thread (the
// one the last step went towards first) and held; a press that finds its picture
// held shows it at once. Drafts of a few more pictures ahead are made on another
// thread, so that a large picture not held shows coarse at once. A press for the
// picture the worker is opening shows that open when it is done, never opening it
// twice. Any other press opens a small file at once as File > Open does; a large one
// is opened on the worker, its draft in its place meanwhile, so that presses never
// queue up behind decodes: the latest press's picture is at most one open away.

#include <QObject>
#include <QSet>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "doc/HeldDocuments.h"
#include "doc/OpenPreferences.h"
#include "image/RealImagingBackend.h"
#include "ui/DocumentWorker.h"
#include "ui/DraftsAhead.h"
#include "ui/FolderListing.h"

class ViewWidget;

// What browsing asks of the program that shows the files.
class BrowseHost {
public:
    virtual ~BrowseHost() = default;
    // The application state and screen ratio an open is made under now.
    virtual const Ctsn_viewerApp& browseAppState() const = 0;
    virtual double browseDevicePixelRatio() const = 0;
    // Opens the file in the window as File > Open does.
    virtual void browseOpen(const QString& path) = 0;
    // Shows a document opened ahead as File > Open would have shown its file.
    virtual void browseShow(PreparedDocument& document) = 0;
};

class BrowseSession : public QObject {
    Q_OBJECT

public:
    // Files from this size on are opened on the worker, behind a draft.
    static constexpr qint64 kWorkerOpenFromBytes = qint64(2) << 20;

    BrowseSession(BrowseHost& host, ViewWidget& view, QObject* parent = nullptr);
    ~BrowseSession() override;

    // A file was opened (or tried) other than by browsing: what was held goes, and
    // browsing goes on from it.
    void opened(const QString& path);
    // Makes a large file's draft on a thread of its own, then opens the file on the
    // worker; the draft is shown meanwhile, and the file as File > Open would show it. False, with
    // nothing done, for a small file or one that cannot be read: the caller opens it.
    bool openBehindDraft(const QString& path);
    // Nothing is opened ahead until the view has next been painted: at start-up the
    // worker would share the processor with the window's first paint.
    void readAheadOncePainted();
    // No file to browse from any more.
    void reset();
    // Shows the next (step 1) or previous (step -1) image of the folder; nothing at
    // either end or with no file to go on from.
    void step(int step);
    // The preferences changed: nothing opened under the old ones is shown.
    void preferencesChanged();

    // The file browsing goes on from: the one the latest press asked for.
    const QString& position() const { return m_position; }
    bool holds(const QString& path) const;
    // How many opens the worker has started.
    int workerOpens() const { return m_worker.OpensStarted(); }
    // True while nothing is being opened ahead or waiting to be.
    bool workerIdle() const { return m_worker.IsIdle(); }
    // How many presses opened their file in the window rather than on the worker.
    int windowOpens() const { return m_windowOpens; }
    // How many drafts were decoded when a press asked for them rather than ahead.
    int draftsDecodedOnPress() const { return m_draftsDecodedOnPress; }
    FolderListing& listing() { return m_listing; }
    // Files of at least this many bytes are opened on the worker when a press finds
    // them not held.
    // Only those get drafts, too.
    void setWorkerOpenFromBytes(qint64 bytes);
    DraftsAhead& drafts() { return m_drafts; }

private:
    OpenPreferences preferences() const;
    DocumentWorker::Request request(const QString& path) const;
    void show(const QString& path);
    void showOpened(const QString& path, std::unique_ptr<PreparedDocument> document);
    // Decodes the draft here and now.
    void showDraft(const QString& path);
    bool showHeldDraft(const QString& path);
    void wantDrafts();
    void shown();
    void collect();
    // Holds what the worker opened, but for the document of m_wanted: given back.
    std::optional<std::unique_ptr<PreparedDocument>> holdFinished();
    void schedulePreload();
    void preload();
    std::vector<std::string> neighbours();

    BrowseHost& m_host;
    ViewWidget& m_view;
    FolderListing m_listing;
    HeldDocuments m_held;
    RealImagingBackend m_draftBackend;
    QString m_position;
    int m_lastStep = 1;
    // The file a press asked for that the worker opens; shown when it is done.
    QString m_wanted;
    // Files that were opened ahead and could not be held (too large, unreadable):
    // not opened ahead again until the preferences change or another file is opened.
    QSet<QString> m_notHeld;
    bool m_showing = false;
    bool m_collectAfterShow = false;
    bool m_preloadPosted = false;
    bool m_preloadAfterPaint = false;
    int m_windowOpens = 0;
    int m_draftsDecodedOnPress = 0;
    qint64 m_workerOpenFromBytes = kWorkerOpenFromBytes;
    // About a burst of presses' worth: 12 MB for 24 MP pictures.
    static constexpr int kDraftsAhead = 8;
    DraftsAhead m_drafts;
    DocumentWorker m_worker;
    std::jthread m_firstDraft;  // last: joined first
};
