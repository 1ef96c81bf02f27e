#pragma once
// The running program: owns the application state, the settings store, the
// imaging backend, the one document and the main frame. InitInstance starts the
// program, ExitInstance ends it; in between it handles the application's commands
// (open, new, recent files, dropped files, print setup, preferences, about).

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/Ctsn_viewerApp.h"
#include "doc/Ctsn_viewerDoc.h"
#include "image/RealImagingBackend.h"
#include "ui/BrowseSession.h"
#include "ui/EarlyOpen.h"
#include "ui/MessageDlgNotifier.h"
#include "ui/PrintSetupDlg.h"
#include "ui/RecentFileList.h"

class CMainFrame;
class DialogRunner;
class QtSettingsStore;

class TsnApplication : public QObject, private BrowseHost {
    Q_OBJECT

public:
    // Every modal dialog goes through runner.
    explicit TsnApplication(DialogRunner& runner);
    ~TsnApplication() override;

    // Settings, directory, preferences, imaging start-up, definitions, recent
    // files, document, frame and view, the command line (its first argument is the
    // file to open, which `early` may have opened already), then the first run's
    // welcome. False when the program must end at once: the file named on the command
    // line could not be opened.
    bool InitInstance(const QStringList& arguments, EarlyOpen early = {});
    // Preferences and recent files written back, definitions freed. Returns 0.
    int ExitInstance();

    // The framework's open: false (after telling the user) when the file cannot be
    // read; otherwise the document shows it, it enters the recent-file list and
    // the window is titled after it.
    bool OpenDocumentFile(const QString& path);
    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();
    void OnPreferences();
    void OnAppAbout();
    // Opens the next (step 1) or previous (step -1) image of the shown file's folder,
    // as File > Open would; nothing at either end or with no file shown.
    void OnBrowse(int step);

    // Where Print Setup finds the printers to offer; the print system's by default.
    void setPrinterList(std::function<PrinterList()> printers) { m_printers = std::move(printers); }

    Ctsn_viewerApp& app() { return m_app; }
    Ctsn_viewerDoc* document() const { return m_doc.get(); }
    CMainFrame* frame() const { return m_frame.get(); }
    const RecentFileList& recentFiles() const { return m_recent; }
    BrowseSession* browsing() const { return m_browse.get(); }

private:
    // BrowseHost
    const Ctsn_viewerApp& browseAppState() const override { return m_app; }
    double browseDevicePixelRatio() const override;
    void browseOpen(const QString& path) override;
    void browseShow(PreparedDocument& document) override;

    bool StartUp(const QStringList& arguments, EarlyOpen& early);
    bool ShowOpenedEarly(const QString& fullPath, std::unique_ptr<PreparedDocument> document);
    // File > Open's work on a full path, without what browsing holds.
    bool OpenFullPath(const QString& fullPath);
    // The title, the recent-file list and the status bar after an open; the view from
    // the top.
    void ShowOpened(const QString& fullPath);
    void OnCommand(int id);
    void OpenRecentFile(int index);
    void ShowOpenFailure(const QString& path);

    DialogRunner& m_runner;
    Ctsn_viewerApp m_app;
    std::unique_ptr<QtSettingsStore> m_store;
    RealImagingBackend m_backend;
    MessageDlgNotifier m_notifier;
    RecentFileList m_recent;
    std::unique_ptr<Ctsn_viewerDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<BrowseSession> m_browse;
    std::function<PrinterList()> m_printers = InstalledPrinters;
};
