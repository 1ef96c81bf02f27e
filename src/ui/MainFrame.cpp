#include "ui/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>

#include "ui/AppIcons.h"
#include "ui/LockKeys.h"
#include "ui/RecentFileList.h"
#include "ui/ShellStrings.h"
#include "ui/TickOnlyMenuStyle.h"
#include "ui/ViewWidget.h"
#include "view/ViewCommands.h"

namespace {

using namespace ShellCommand;
using namespace ViewCommand;

// The commands whose state the view decides, and which of them tick.
constexpr int kViewStateCommands[] = {kGeneralCard,   kBusinessCard,    kCollectionCard,
                                      kCopyrightCard, kProtocolDetails, kOtherComments,
                                      kShowImage,     kECardFields};

// The first local file among dropped URLs, or "".
QString DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return {};
}

}  // namespace

CMainFrame::CMainFrame(Ctsn_viewerDoc& doc, const Ctsn_viewerApp& app, QWidget* parent)
    : QMainWindow(parent) {
    setWindowIcon(ApplicationIcon());
    // The bars are switched from the View menu only.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAcceptDrops(true);
    m_view = new ViewWidget(doc, app, this);
    setCentralWidget(m_view);
    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    setRecentFiles({});
    connect(m_view, &ViewWidget::commandStatesChanged, this, &CMainFrame::updateActions);
    setDocumentTitle(QString::fromLatin1(ShellText::kUntitled));
    // The first size, within the screen: on a high-density screen 760 x 540 logical
    // units may be more than it holds.
    resize(QSize(760, 540).boundedTo(screen()->availableSize()));
    updateActions();
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::addCommand(int id, const QString& text, const QKeySequence& shortcut) {
    auto* action = new QAction(text, this);
    action->setData(id);
    action->setShortcut(shortcut);
    action->setStatusTip(PromptOf(id));
    action->setToolTip(TooltipOf(id));
    m_actions.insert(id, action);
    // Shortcuts work with the menu bar hidden or a menu closed.
    addAction(action);
    return action;
}

void CMainFrame::createActions() {
    createFileActions();
    createEditActions();
    createPageActions();
    createWindowActions();
    createKeyOnlyActions();
    createBrowseActions();
}

// A command that the application handles.
void CMainFrame::toApplication(int id) {
    connect(m_actions[id], &QAction::triggered, this, [this, id] { emit commandRequested(id); });
}

// A command that the view handles.
void CMainFrame::toView(int id) {
    connect(m_actions[id], &QAction::triggered, this, [this, id] { m_view->runCommand(id); });
}

void CMainFrame::createFileActions() {
    addCommand(kFileOpen, QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    toApplication(kFileOpen);
    addCommand(kFilePrint, QStringLiteral("&Print..."), QKeySequence(Qt::CTRL | Qt::Key_P));
    toView(kFilePrint);
    addCommand(kFilePrintPreview, QStringLiteral("Print Pre&view"));
    toView(kFilePrintPreview);
    addCommand(kFilePrintSetup, QStringLiteral("P&rint Setup..."));
    toApplication(kFilePrintSetup);
    addCommand(kAppExit, QStringLiteral("E&xit"));
    connect(m_actions[kAppExit], &QAction::triggered, this, &QWidget::close);
}

// No handler anywhere: disabled at all times, their shortcuts ignored.
void CMainFrame::createEditActions() {
    QAction* copy = addCommand(kEditCopy, QStringLiteral("&Copy"));
    copy->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    QAction* cut = addCommand(kEditCut, QStringLiteral("Cu&t"));
    cut->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    QAction* paste = addCommand(kEditPaste, QStringLiteral("&Paste"));
    paste->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    QAction* undo = addCommand(kEditUndo, QStringLiteral("&Undo"));
    undo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
}

// The pages and the view's two switches: ticked and enabled as the view says.
void CMainFrame::createPageActions() {
    addCommand(kGeneralCard, QStringLiteral("&General Card"));
    addCommand(kBusinessCard, QStringLiteral("&Business E-Card"));
    addCommand(kCollectionCard, QStringLiteral("&Collection Card"));
    addCommand(kCopyrightCard, QStringLiteral("Copy&right Card"));
    addCommand(kProtocolDetails, QStringLiteral("tSN &Protocol details"));
    addCommand(kOtherComments, QStringLiteral("&Other Comments"));
    addCommand(kShowImage, QStringLiteral("Image"));
    addCommand(kECardFields, QStringLiteral("Business E-Card Fields"));
    for (int id : kViewStateCommands) {
        m_actions[id]->setCheckable(true);
        toView(id);
    }
}

// Preferences, the two bars and About.
void CMainFrame::createWindowActions() {
    addCommand(kPreferences, QStringLiteral("&Preferences"));
    toApplication(kPreferences);
    addCommand(kViewToolbar, QStringLiteral("&Toolbar"))->setCheckable(true);
    connect(m_actions[kViewToolbar], &QAction::triggered, this, [this] {
        m_toolBar->setVisible(m_toolBar->isHidden());
        updateActions();
    });
    addCommand(kViewStatusBar, QStringLiteral("&Status Bar"))->setCheckable(true);
    connect(m_actions[kViewStatusBar], &QAction::triggered, this, [this] {
        statusBar()->setVisible(statusBar()->isHidden());
        updateActions();
    });
    addCommand(kAppAbout, QStringLiteral("&About tSN Viewer..."));
    toApplication(kAppAbout);
}

// Accelerators without a menu item.
void CMainFrame::createKeyOnlyActions() {
    addCommand(kFileNew, QStringLiteral("New"), QKeySequence(Qt::CTRL | Qt::Key_N));
    toApplication(kFileNew);
    // The document has no stored form: saving must never write the open file.
    addCommand(kFileSave, QStringLiteral("Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
    // The window has one pane: there is nothing to switch to.
    addCommand(kNextPane, QStringLiteral("Next Pane"), QKeySequence(Qt::Key_F6));
    addCommand(kPrevPane, QStringLiteral("Previous Pane"), QKeySequence(Qt::SHIFT | Qt::Key_F6));
}

void CMainFrame::createBrowseActions() {
    // Browsing the folder: keys only, so the menus and the toolbar stay as they are.
    auto browse = [this](const QString& text, QList<QKeySequence> keys, int step) {
        auto* action = new QAction(text, this);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, [this, step] { emit browseRequested(step); });
        addAction(action);
        return action;
    };
    m_nextImage = browse(QStringLiteral("Next Image"),
                         {QKeySequence(Qt::Key_Space), QKeySequence(Qt::ALT | Qt::Key_Right)}, 1);
    m_previousImage =
        browse(QStringLiteral("Previous Image"),
               {QKeySequence(Qt::Key_Backspace), QKeySequence(Qt::ALT | Qt::Key_Left)}, -1);
}

void CMainFrame::createMenus() {
    m_fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    m_fileMenu->addAction(m_actions[kFileOpen]);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_actions[kFilePrint]);
    m_fileMenu->addAction(m_actions[kFilePrintPreview]);
    m_fileMenu->addAction(m_actions[kFilePrintSetup]);
    m_fileMenu->addSeparator();
    m_recentSeparator = m_fileMenu->addSeparator();
    m_fileMenu->addAction(m_actions[kAppExit]);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(m_actions[kEditCopy]);

    QMenu* image = menuBar()->addMenu(QStringLiteral("&Image"));
    for (int id : {kGeneralCard, kBusinessCard, kCollectionCard, kCopyrightCard})
        image->addAction(m_actions[id]);
    image->addSeparator();
    image->addAction(m_actions[kProtocolDetails]);
    image->addAction(m_actions[kOtherComments]);

    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    options->addAction(m_actions[kPreferences]);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->addAction(m_actions[kViewToolbar]);
    view->addAction(m_actions[kViewStatusBar]);
    view->addSeparator();
    view->addAction(m_actions[kShowImage]);
    view->addAction(m_actions[kECardFields]);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(m_actions[kAppAbout]);

    m_menuStyle = new TickOnlyMenuStyle;
    m_menuStyle->setParent(this);
    for (QMenu* menu : {m_fileMenu, edit, image, options, view, help}) {
        menu->setStyle(m_menuStyle);
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateActions);
        // Back to the idle text once the menu is gone.
        connect(
            menu, &QMenu::aboutToHide, this, [this] { showPrompt(QString()); },
            Qt::QueuedConnection);
    }
}

void CMainFrame::createToolBar() {
    m_toolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_toolBar->setObjectName(QStringLiteral("toolbar"));
    m_toolBar->setIconSize(QSize(16, 15));
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    struct Slot {
        int id;  // 0 for a gap
        const char* icon;
    };
    constexpr Slot kSlots[] = {
        {kFileOpen, "open"},
        {0, nullptr},
        {kEditCopy, "copy"},
        {0, nullptr},
        {kGeneralCard, "general"},
        {kBusinessCard, "business"},
        {kCollectionCard, "collection"},
        {kCopyrightCard, "copyright"},
        {0, nullptr},
        {kFilePrint, "print"},
        {0, nullptr},
        {kAppAbout, "about"},
    };
    for (const Slot& slot : kSlots) {
        if (slot.id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = m_actions[slot.id];
        action->setIcon(ToolbarIcon(QString::fromLatin1(slot.icon)));
        // The pictures are the toolbar's; the menus show texts and ticks only.
        action->setIconVisibleInMenu(false);
        m_toolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::createStatusBar() {
    m_messagePane = new QLabel(QString::fromLatin1(ShellText::kIdleMessage));
    m_messagePane->setObjectName(QStringLiteral("messagePane"));
    m_messagePane->setMinimumWidth(1);
    statusBar()->addWidget(m_messagePane, 1);
    for (int id : {kIndicatorCaps, kIndicatorNum, kIndicatorScroll}) {
        auto* pane = new QLabel(CommandString(id));
        pane->setObjectName(CommandString(id));
        pane->setAlignment(Qt::AlignCenter);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 8);
        statusBar()->addPermanentWidget(pane);
        m_indicators.append(pane);
    }
    updateIndicators();
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &CMainFrame::updateIndicators);
    poll->start(300);
}

void CMainFrame::updateIndicators() {
    const std::optional<LockKeyStates> keys = QueryLockKeys();
    const bool on[] = {keys && keys->caps, keys && keys->num, keys && keys->scroll};
    for (int i = 0; i < m_indicators.size(); ++i)
        m_indicators[i]->setEnabled(on[i]);
}

void CMainFrame::setDocumentTitle(const QString& title) {
    setWindowTitle(FrameWindowTitle(title));
}

void CMainFrame::setRecentFiles(const QStringList& paths) {
    for (QAction* action : m_recentActions) {
        m_fileMenu->removeAction(action);
        // It may be the entry whose trigger is still being delivered.
        action->deleteLater();
    }
    m_recentActions.clear();
    if (paths.isEmpty()) {
        auto* placeholder =
            new QAction(QString::fromLatin1(ShellText::kRecentFilePlaceholder), this);
        placeholder->setEnabled(false);
        placeholder->setStatusTip(PromptOf(kFileMruFile1));
        m_recentActions.append(placeholder);
    }
    for (int i = 0; i < paths.size(); ++i) {
        auto* entry = new QAction(RecentFileMenuText(i, paths[i]), this);
        entry->setData(kFileMruFile1 + i);
        entry->setStatusTip(PromptOf(kFileMruFile1 + i));
        connect(entry, &QAction::triggered, this, [this, i] { emit recentFileRequested(i); });
        m_recentActions.append(entry);
    }
    m_fileMenu->insertActions(m_recentSeparator, m_recentActions);
}

void CMainFrame::updateActions() {
    for (int id : kViewStateCommands) {
        const CommandState state = m_view->commandState(id);
        m_actions[id]->setEnabled(state.enabled);
        m_actions[id]->setChecked(state.checked);
    }
    for (int id : {kEditCopy, kEditCut, kEditPaste, kEditUndo})
        m_actions[id]->setEnabled(false);
    m_actions[kViewToolbar]->setChecked(!m_toolBar->isHidden());
    m_actions[kViewStatusBar]->setChecked(!statusBar()->isHidden());
}

void CMainFrame::setDocumentNote(const QString& note) {
    m_documentNote = note;
    m_messagePane->setText(note.isEmpty() ? QString::fromLatin1(ShellText::kIdleMessage) : note);
}

void CMainFrame::showPrompt(const QString& prompt) {
    // An empty prompt from a highlighted menu item leaves the pane empty; otherwise
    // (the mouse left a button, a menu closed) the idle text returns.
    if (prompt.isEmpty()) {
        const auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        const QAction* active = menu ? menu->activeAction() : nullptr;
        if (!active || active->isSeparator() || active->menu())
            setDocumentNote(m_documentNote);
        else
            m_messagePane->clear();
        return;
    }
    m_messagePane->setText(prompt);
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        showPrompt(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    activateWindow();
    emit fileDropped(path);
}
