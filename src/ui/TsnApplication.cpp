#include "ui/TsnApplication.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPrinter>

#include "app/QtSettingsStore.h"
#include "ui/AboutDlg.h"
#include "ui/BusyCursor.h"
#include "ui/DialogRunner.h"
#include "ui/FirstFrame.h"
#include "ui/LocalPaths.h"
#include "ui/MainFrame.h"
#include "ui/PrefSht.h"
#include "ui/PrintSetupDlg.h"
#include "ui/ShellStrings.h"
#include "ui/ViewWidget.h"
#include "ui/WelcomeDlg.h"
#include "ui/WindowGeometry.h"

TsnApplication::TsnApplication(DialogRunner& runner) : m_runner(runner), m_notifier(runner) {}

TsnApplication::~TsnApplication() {
    // Browsing draws on the view; the view widget refers to the document.
    m_browse.reset();
    m_frame.reset();
}

bool TsnApplication::InitInstance(const QStringList& arguments, EarlyOpen early) {
    // A notice closed while the main window is not shown yet must not end the run.
    const bool quitOnLastWindow = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    const bool started = StartUp(arguments, early);
    QGuiApplication::setQuitOnLastWindowClosed(quitOnLastWindow);
    return started;
}

bool TsnApplication::StartUp(const QStringList& arguments, EarlyOpen& early) {
    m_store = std::make_unique<QtSettingsStore>();
    m_app.LoadAtStartUp(*m_store);
    m_backend.Startup();
    m_recent.Load(*m_store);

    m_doc = std::make_unique<Ctsn_viewerDoc>(m_app, m_backend, m_notifier);
    m_frame = std::make_unique<CMainFrame>(*m_doc, m_app);
    m_notifier.SetOwner(m_frame.get());
    m_frame->viewWidget().setDialogRunner(&m_runner);
    m_frame->setRecentFiles(m_recent.paths());
    connect(m_frame.get(), &CMainFrame::commandRequested, this, &TsnApplication::OnCommand);
    connect(m_frame.get(), &CMainFrame::recentFileRequested, this, &TsnApplication::OpenRecentFile);
    m_browse =
        std::make_unique<BrowseSession>(static_cast<BrowseHost&>(*this), m_frame->viewWidget());
    connect(m_frame.get(), &CMainFrame::browseRequested, this, &TsnApplication::OnBrowse);
    // Opened once the drop is over: the source is not kept waiting on a notice.
    connect(
        m_frame.get(), &CMainFrame::fileDropped, this,
        [this](const QString& path) { OpenDocumentFile(path); }, Qt::QueuedConnection);

    RestoreWindowGeometry(*m_frame, *m_store);
    m_browse->readAheadOncePainted();
    // A large picture is opened on the worker while the window shows its draft.
    // Only the first argument counts: the program shows one file at a time.
    if (arguments.isEmpty()) {
        OnFileNew();
    } else if (const QString fullPath = FullPath(arguments.first());
               !m_browse->openBehindDraft(fullPath) &&
               !ShowOpenedEarly(fullPath, early.Take(fullPath)) &&
               !OpenDocumentFile(arguments.first())) {
        return false;
    }
    ShowWithFirstFrame(*m_frame);

    if (m_store->GetProfileInt("welcome", 0) == 0) {
        // Marked before it is shown: the offer is made on one run only, whatever
        // the answer and however the run ends.
        m_store->WriteProfileInt("welcome", 1);
        CWelcomeDlg welcome(m_frame.get());
        if (m_runner.RunModal(welcome) == QDialog::Accepted)
            OpenDocumentFile(FromLocalPath(m_app.m_directory) + QStringLiteral("/pirite.jpg"));
    }
    return true;
}

// Shows what was opened while the window was built, as File > Open would have; false,
// with nothing shown, when it could not be opened or not as the window holds it.
bool TsnApplication::ShowOpenedEarly(const QString& fullPath,
                                     std::unique_ptr<PreparedDocument> document) {
    if (!document || !document->StillMatches(OpenPreferencesOf(m_app, browseDevicePixelRatio())))
        return false;
    m_browse->opened(fullPath);
    browseShow(*document);
    return true;
}

int TsnApplication::ExitInstance() {
    if (m_store)
        m_app.SavePreferences(*m_store);
    m_app.m_colDefs.clear();
    if (m_store) {
        m_recent.Save(*m_store);
        if (m_frame)
            SaveWindowGeometry(*m_frame, *m_store);
    }
    return 0;
}

bool TsnApplication::OpenDocumentFile(const QString& path) {
    const QString fullPath = FullPath(path);
    // A file that fails is still a place in its folder to browse on from.
    m_browse->opened(fullPath);
    return OpenFullPath(fullPath);
}

bool TsnApplication::OpenFullPath(const QString& fullPath) {
    // The picture is held sharp for the screen the window is on now.
    m_doc->m_image.m_devicePixelRatio = m_frame->devicePixelRatioF();
    bool opened = false;
    {
        // A large picture takes a while to decode.
        BusyCursor busy;
        opened = m_doc->OnOpenDocument(LocalPath(fullPath));
    }
    if (!opened) {
        ShowOpenFailure(fullPath);
        return false;
    }
    ShowOpened(fullPath);
    return true;
}

void TsnApplication::ShowOpened(const QString& fullPath) {
    m_recent.Add(fullPath);
    m_frame->setRecentFiles(m_recent.paths());
    m_frame->setDocumentTitle(QFileInfo(fullPath).fileName());
    m_frame->setDocumentNote(
        QString::fromStdString(m_doc->m_loadResult == 0 ? m_doc->m_damage : m_doc->m_loadFailure));
    m_frame->viewWidget().initialUpdate();
}

double TsnApplication::browseDevicePixelRatio() const {
    return m_frame->devicePixelRatioF();
}

void TsnApplication::browseOpen(const QString& path) {
    OpenFullPath(path);
}

void TsnApplication::browseShow(PreparedDocument& document) {
    m_doc->TakeOpened(document.Document());
    // The notices come where the open would have given them.
    for (const std::string& notice : document.Notices())
        m_notifier.ShowMessage(notice);
    ShowOpened(FromLocalPath(m_doc->m_path));
}

void TsnApplication::OnFileNew() {
    // The document keeps its content; only its name goes, and the view starts over.
    m_browse->reset();
    m_frame->setDocumentTitle(QString::fromLatin1(ShellText::kUntitled));
    m_frame->viewWidget().initialUpdate();
}

void TsnApplication::OnFileOpen() {
    QFileDialog dialog(m_frame.get(), QStringLiteral("Open"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(QStringLiteral("All Files (*)"));
    if (m_runner.RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    OpenDocumentFile(dialog.selectedFiles().first());
}

void TsnApplication::OnFilePrintSetup() {
    // The printer that printing and print preview keep using.
    CPrintSetupDlg dialog(m_frame->viewWidget().printer(), m_printers(), m_runner, m_frame.get());
    if (m_runner.RunModal(dialog) == QDialog::Accepted)
        dialog.Apply();
    else
        dialog.Revert();
}

void TsnApplication::OnPreferences() {
    CPrefSht sheet(QStringLiteral("User Preferences"), m_frame.get(), 0, &m_runner);
    CPrefPrev& page = sheet.m_pagePreview;
    page.m_bDisplayImage = m_app.m_displayImage;
    page.m_nPreviewType = m_app.m_previewType;
    page.m_nMaxSizeX = m_app.m_prevSizeX;
    page.m_nMaxSizeY = m_app.m_prevSizeY;
    if (m_runner.RunModal(sheet) != QDialog::Accepted)
        return;
    // Stored at exit; the open picture and the running view stay as they are.
    m_app.m_displayImage = page.m_bDisplayImage;
    m_app.m_previewType = page.m_nPreviewType;
    m_app.m_prevSizeX = page.m_nMaxSizeX;
    m_app.m_prevSizeY = page.m_nMaxSizeY;
    m_browse->preferencesChanged();
}

void TsnApplication::OnAppAbout() {
    CAboutDlg about(m_frame.get());
    m_runner.RunModal(about);
}

void TsnApplication::OnBrowse(int step) {
    m_browse->step(step);
}

void TsnApplication::OnCommand(int id) {
    switch (id) {
        case ShellCommand::kFileNew:
            OnFileNew();
            break;
        case ShellCommand::kFileOpen:
            OnFileOpen();
            break;
        case ShellCommand::kFilePrintSetup:
            OnFilePrintSetup();
            break;
        case ShellCommand::kPreferences:
            OnPreferences();
            break;
        case ShellCommand::kAppAbout:
            OnAppAbout();
            break;
        default:
            break;
    }
}

void TsnApplication::OpenRecentFile(int index) {
    if (index < 0 || index >= m_recent.paths().size())
        return;
    // A listed file that can no longer be opened leaves the list.
    if (!OpenDocumentFile(m_recent.paths()[index])) {
        m_recent.Remove(index);
        m_frame->setRecentFiles(m_recent.paths());
    }
}

void TsnApplication::ShowOpenFailure(const QString& path) {
    QMessageBox box(
        QMessageBox::Warning, QString::fromLatin1(ShellText::kAppTitle),
        QStringLiteral("The document could not be opened:\n%1").arg(QDir::toNativeSeparators(path)),
        QMessageBox::Ok, m_frame.get());
    m_runner.RunModal(box);
}
