#pragma once
// The shell's command ids and its string table: the prompts and tooltips of the
// framework commands, the application's names and the idle text. The view's own
// commands and their prompts live in view/ViewCommands.h.

#include <QString>

namespace ShellCommand {
inline constexpr int kFileNew = 57600;          // Ctrl+N, no menu item
inline constexpr int kFileOpen = 57601;         // File > Open...
inline constexpr int kFileSave = 57603;         // Ctrl+S, writes nothing
inline constexpr int kFilePrintSetup = 57606;   // File > Print Setup...
inline constexpr int kFileMruFile1 = 57616;     // first recent-file slot
inline constexpr int kEditCopy = 57634;         // Edit > Copy, never enabled
inline constexpr int kEditCut = 57635;          // accelerators only, never enabled
inline constexpr int kEditPaste = 57637;        //
inline constexpr int kEditUndo = 57643;         //
inline constexpr int kAppAbout = 57664;         // Help > About
inline constexpr int kAppExit = 57665;          // File > Exit
inline constexpr int kNextPane = 57680;         // F6: one pane, nothing to switch to
inline constexpr int kPrevPane = 57681;         // Shift+F6
inline constexpr int kViewToolbar = 59392;      // View > Toolbar
inline constexpr int kViewStatusBar = 59393;    // View > Status Bar
inline constexpr int kPreferences = 32777;      // Options > Preferences
inline constexpr int kIndicatorCaps = 59137;    // status bar panes
inline constexpr int kIndicatorNum = 59138;     //
inline constexpr int kIndicatorScroll = 59139;  //
}  // namespace ShellCommand

namespace ShellText {
inline constexpr const char* kAppTitle = "tsn_viewer";                // settings name, box captions
inline constexpr const char* kFrameTitle = "Tessellon Viewer";        // after the document's title
inline constexpr const char* kUntitled = "Untitled";                  // an unnamed document
inline constexpr const char* kIdleMessage = "Ready";                  // the message pane at rest
inline constexpr const char* kRecentFilePlaceholder = "Recent File";  // the empty list
}  // namespace ShellText

// The string of a command id: the status-bar prompt, then "\n" and the tooltip when
// there is one. Covers the shell's commands, the framework's standard ones and the
// view's; "" for an id without a string.
QString CommandString(int id);
// The text before the "\n", and the text after it ("" when there is none).
QString PromptOf(int id);
QString TooltipOf(int id);
// "<document title> - Tessellon Viewer".
QString FrameWindowTitle(const QString& documentTitle);
