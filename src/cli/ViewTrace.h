#pragma once
// tsn-dump --trace: the view's paint of one page, recorded and printed as lines.

#include <string>
#include <vector>

#include "doc/CardPage.h"

class Ctsn_viewerApp;
class Ctsn_viewerDoc;

struct TraceRequest {
    CardPage page = PageNone;
    bool hideImage = false;    // the view's picture switch off
    bool ecardFields = false;  // the business card as labelled lines
    bool print = false;        // a printing device context
};

// Builds a new view on `doc` as the viewer would, selects the page and paints once.
std::vector<std::string> TraceView(Ctsn_viewerDoc& doc, const Ctsn_viewerApp& app,
                                   const TraceRequest& request);
