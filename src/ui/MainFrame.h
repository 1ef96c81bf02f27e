#pragma once
// The main window: the menu bar, the accelerators, the toolbar and the status bar
// around the view widget. View commands go straight to the view widget; the
// application's commands (open, new, print setup, preferences, about, recent
// files, dropped files) are signalled to the application object, which owns the
// frame. updateActions() derives every enabled and ticked state.

#include <QMainWindow>
#include <QMap>
#include <QStringList>

#include "app/Ctsn_viewerApp.h"
#include "doc/Ctsn_viewerDoc.h"

class QAction;
class QLabel;
class QMenu;
class QStyle;
class QToolBar;
class ViewWidget;

class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    CMainFrame(Ctsn_viewerDoc& doc, const Ctsn_viewerApp& app, QWidget* parent = nullptr);
    ~CMainFrame() override;

    ViewWidget& viewWidget() const { return *m_view; }
    QToolBar* toolBar() const { return m_toolBar; }
    QLabel* messagePane() const { return m_messagePane; }
    // CAP, NUM and SCRL, left to right.
    const QList<QLabel*>& indicatorPanes() const { return m_indicators; }
    // The action of a command id; nullptr for an id without one.
    QAction* action(int id) const { return m_actions.value(id); }
    // The keys-only actions that go to the next and the previous image of the folder.
    QAction* nextImageAction() const { return m_nextImage; }
    QAction* previousImageAction() const { return m_previousImage; }

    // The window title: the document's title, " - ", "Tessellon Viewer".
    void setDocumentTitle(const QString& title);
    // Rebuilds the recent-file entries of the File menu.
    void setRecentFiles(const QStringList& paths);
    // Enabled and ticked states of every action, from the view and the bars.
    void updateActions();
    // What the message pane shows at rest while the open document is shown: a note
    // about it (what is wrong with its picture), or, when empty, the idle text.
    void setDocumentNote(const QString& note);

signals:
    // An application command: new, open, print setup, preferences or about.
    void commandRequested(int id);
    // The recent-file entry `index` (0 for the latest) was chosen.
    void recentFileRequested(int index);
    // A file was dropped onto the window.
    void fileDropped(const QString& path);
    // The next (step 1) or previous (step -1) image of the shown file's folder.
    void browseRequested(int step);

protected:
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QAction* addCommand(int id, const QString& text, const QKeySequence& shortcut = {});
    void createActions();
    void createFileActions();
    void createEditActions();
    void createPageActions();
    void createWindowActions();
    void createKeyOnlyActions();
    void createBrowseActions();
    void toApplication(int id);
    void toView(int id);
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void showPrompt(const QString& prompt);
    void updateIndicators();

    ViewWidget* m_view = nullptr;
    QMap<int, QAction*> m_actions;
    QMenu* m_fileMenu = nullptr;
    QAction* m_recentSeparator = nullptr;  // the recent entries go before it
    QList<QAction*> m_recentActions;
    QStyle* m_menuStyle = nullptr;  // owned by the frame
    QToolBar* m_toolBar = nullptr;
    QLabel* m_messagePane = nullptr;
    QString m_documentNote;
    QList<QLabel*> m_indicators;
    QAction* m_nextImage = nullptr;
    QAction* m_previousImage = nullptr;
};
