#pragma once
// The text of each card page as lines, worked out once: the view draws them at their
// places, tsn-dump's text report prints them.

#include <string>
#include <string_view>
#include <vector>

#include "card/CardInfo.h"
#include "image/ImageFile.h"

enum class LineStyle { kHeading, kBody };

// From a page's title to the first line below it.
inline constexpr int kTitleStep = 30;
// Between the lines of one value, and between the lines the pages stack.
inline constexpr int kLineStep = 16;

struct PageLine {
    LineStyle style = LineStyle::kBody;
    int top = 0;       // below the page's origin: fixed steps, not font metrics
    std::string text;  // the whole line; for a split value, its label
    // A value split at carriage returns: its lines stand at the label's right, the
    // first level with the label, each further one kLineStep lower.
    std::vector<std::string> valueLines;
};

// A page's lines, top to bottom. The first is the page's title.
using PageLines = std::vector<PageLine>;

// The business card on its layout shows only this title, the card kTitleStep below it.
inline constexpr std::string_view kBusinessCardTitle = "Business E-Card :";

PageLines GeneralCardLines(const CardInfo& card);
// The business card as labelled lines.
PageLines BusinessCardLines(const CardInfo& card);
PageLines CollectionCardLines(const CardInfo& card);
PageLines CopyrightCardLines(const CardInfo& card);
PageLines ProtocolDetailsLines(const CardInfo& card);
// The image's comments that are not cards.
PageLines OtherCommentsLines(const ImageFile& image);
