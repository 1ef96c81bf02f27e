#pragma once

// The card page the view shows; kept in the document's m_page.
enum CardPage {
    PageNone = 0,             // no page: picture and size line only
    PageOtherComments = 1,    // the image's comments that are not cards
    PageProtocolDetails = 2,  // protocol revision, date, creator
    PageGeneralCard = 3,
    PageBusinessCard = 4,
    PageCollectionCard = 5,
    PageCopyrightCard = 6,
};
