#pragma once
// The commands the view handles: their ids, the status-bar prompts with their
// tooltips, and the state a menu item or toolbar button shows for each.

namespace ViewCommand {
inline constexpr int kGeneralCard = 32778;       // Image > General Card
inline constexpr int kBusinessCard = 32779;      // Image > Business E-Card
inline constexpr int kCollectionCard = 32780;    // Image > Collection Card
inline constexpr int kCopyrightCard = 32786;     // Image > Copyright Card
inline constexpr int kProtocolDetails = 32781;   // Image > tSN Protocol details
inline constexpr int kOtherComments = 32782;     // Image > Other Comments
inline constexpr int kShowImage = 32785;         // View > Image (toggle)
inline constexpr int kECardFields = 32784;       // View > Business E-Card Fields (toggle)
inline constexpr int kFilePrint = 57607;         // File > Print...
inline constexpr int kFilePrintDirect = 57608;   // print without the dialog
inline constexpr int kFilePrintPreview = 57609;  // File > Print Preview
}  // namespace ViewCommand

struct CommandState {
    bool enabled = false;
    bool checked = false;  // menu check mark, toolbar button pressed
    bool operator==(const CommandState&) const = default;
};

// The status-bar prompt, then "\n" and the tooltip when there is one; "" for a
// command without a prompt or an id the view does not handle.
const char* CommandPrompt(int id);
