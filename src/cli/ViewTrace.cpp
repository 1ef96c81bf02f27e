#include "cli/ViewTrace.h"

#include "platform/RecordingDC.h"
#include "view/Ctsn_viewerView.h"

std::vector<std::string> TraceView(Ctsn_viewerDoc& doc, const Ctsn_viewerApp& app,
                                   const TraceRequest& request) {
    Ctsn_viewerView view(doc, app);
    if (request.hideImage)
        view.m_bShowImage = 0;
    view.m_bECardFields = request.ecardFields ? 1 : 0;
    doc.m_page = request.page;
    RecordingDC dc(request.print);
    view.OnDraw(dc);
    return FormatTrace(dc.Calls());
}
