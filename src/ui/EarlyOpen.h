#pragma once
// A small file named alone on the command line is opened on a thread of its own from
// the first moment, while Qt connects to the display and the window is built: those
// take about as long as decoding a few megapixels. The screen's pixel ratio is not
// known before Qt's application object exists, so the picture is made for a ratio of
// 1, that of most screens; on another screen the window opens the file itself.

#include <QString>
#include <future>
#include <memory>

#include "doc/PreparedDocument.h"

class EarlyOpen {
public:
    EarlyOpen() = default;  // nothing opened
    EarlyOpen(EarlyOpen&&) = default;
    EarlyOpen& operator=(EarlyOpen&&) = default;
    // Waits for the open under way.
    ~EarlyOpen() = default;

    // Starts opening argv[1] when it is the only argument, is no option and names a
    // small file. Before the application object is made: it reads the settings itself.
    static EarlyOpen Start(int argc, char* argv[]);

    // Until the open under way, if any, is done.
    void Wait() const;
    // The document opened for `fullPath`, once it is done; nullptr when none was opened
    // for that path or the file could not be opened.
    std::unique_ptr<PreparedDocument> Take(const QString& fullPath);

private:
    QString m_fullPath;
    std::future<std::unique_ptr<PreparedDocument>> m_document;
};
