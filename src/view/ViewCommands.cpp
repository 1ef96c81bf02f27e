#include "view/ViewCommands.h"

#include <array>

#include "view/Ctsn_viewerView.h"

namespace {

struct CommandEntry {
    int id;
    const char* prompt;
};

using namespace ViewCommand;

constexpr std::array<CommandEntry, 11> kCommands = {{
    {kGeneralCard, "View this image's general information\nView General Card"},
    {kBusinessCard, "View the attached business E-Card\nView Business Card"},
    {kCollectionCard, "View this image's collection information\nView Collection Card"},
    {kCopyrightCard, "Views Image Copyright Information\nView Copyright Info"},
    {kProtocolDetails, "Shows advanced Tessellon information on this image."},
    {kOtherComments, "Displays other comments stored in this image, if any."},
    {kShowImage, "Toggles image viewing\nImage View"},
    {kECardFields, ""},
    {kFilePrint, "Print the active document\nPrint"},
    {kFilePrintDirect, ""},
    {kFilePrintPreview, "Display full pages\nPrint Preview"},
}};

// The page a page command selects, or PageNone for any other id.
CardPage PageOf(int id) {
    switch (id) {
        case kGeneralCard:
            return PageGeneralCard;
        case kBusinessCard:
            return PageBusinessCard;
        case kCollectionCard:
            return PageCollectionCard;
        case kCopyrightCard:
            return PageCopyrightCard;
        case kProtocolDetails:
            return PageProtocolDetails;
        case kOtherComments:
            return PageOtherComments;
        default:
            return PageNone;
    }
}

}  // namespace

const char* CommandPrompt(int id) {
    for (const CommandEntry& entry : kCommands) {
        if (entry.id == id)
            return entry.prompt;
    }
    return "";
}

bool Ctsn_viewerView::OnCommand(int id) {
    if (CardPage page = PageOf(id); page != PageNone) {
        m_doc.m_page = page;
    } else if (id == kShowImage) {
        m_bShowImage = m_bShowImage == 0 ? 1 : 0;
    } else if (id == kECardFields) {
        m_bECardFields = m_bECardFields == 0 ? 1 : 0;
    } else if (id == kFilePrint || id == kFilePrintDirect) {
        if (m_host)
            m_host->FilePrint(id == kFilePrint);
        return true;
    } else if (id == kFilePrintPreview) {
        if (m_host)
            m_host->FilePrintPreview();
        return true;
    } else {
        return false;
    }
    Invalidate(true);
    return true;
}

CommandState Ctsn_viewerView::GetCommandState(int id) const {
    const CardInfo& card = m_doc.m_card;
    const bool ticked = PageOf(id) != PageNone && m_doc.m_page == PageOf(id);
    switch (id) {
        case kGeneralCard:
            return {card.m_hasGeneral != 0, ticked};
        case kBusinessCard:
            return {card.m_hasBusiness != 0, ticked};
        case kCollectionCard:
            return {card.m_hasCollection != 0, ticked};
        case kCopyrightCard:
            return {card.m_hasCopyright != 0, ticked};
        case kProtocolDetails:
        case kOtherComments:
            return {true, ticked};
        case kShowImage:
            return {true, m_bShowImage != 0};
        case kECardFields:
            return {true, m_bECardFields != 0};
        case kFilePrint:
        case kFilePrintDirect:
        case kFilePrintPreview:
            return {true, false};
        default:
            return {false, false};
    }
}
