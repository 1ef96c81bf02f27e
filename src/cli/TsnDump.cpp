#include "cli/TsnDump.h"

#include <optional>

#include "app/Ctsn_viewerApp.h"
#include "app/ProgramDirectory.h"
#include "cli/DumpOptions.h"
#include "cli/JsonRecord.h"
#include "cli/ObservedBackend.h"
#include "cli/OpenFailure.h"
#include "cli/PpmWriter.h"
#include "cli/TextReport.h"
#include "cli/ViewTrace.h"
#include "collection/ColDef.h"
#include "doc/Ctsn_viewerDoc.h"

#ifndef TSN_VERSION
#define TSN_VERSION "unknown"
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitNotLoaded = 1;
constexpr int kExitUsage = 2;

// The document's notice goes to the report instead of a dialog.
class CollectingNotifier : public DocumentNotifier {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

class DumpRun {
public:
    DumpRun(const DumpOptions& options, DumpEnvironment env)
        : m_options(options), m_env(env), m_backend(env.backend) {}

    int Run() {
        PrepareApplication();
        m_backend.Startup();
        int status = kExitOk;
        for (const std::string& path : m_options.images) {
            if (!DumpImage(path))
                status = kExitNotLoaded;
        }
        m_env.out.flush();
        return status;
    }

private:
    // The viewer's start-up, without writing anything back.
    void PrepareApplication() {
        m_app.LoadPreferences(m_env.settings);
        m_app.m_directory = ProgramDirectory(m_env.settings);
        LoadCollectionDefs(m_options.defsDir.value_or(m_app.m_directory), m_app.m_colDefs);
        if (m_options.previewType)
            m_app.m_previewType = *m_options.previewType;
        if (m_options.maxWidth && m_options.maxHeight) {
            m_app.m_prevSizeX = *m_options.maxWidth;
            m_app.m_prevSizeY = *m_options.maxHeight;
        }
    }

    // False when the image could not be opened or loaded, or its picture not written.
    bool DumpImage(const std::string& path) {
        CollectingNotifier notifier;
        Ctsn_viewerDoc doc(m_app, m_backend, notifier);
        doc.m_headerOnly = m_options.noPixels;
        m_backend.ForgetLoads();
        std::optional<std::string> openError;
        std::string failure;
        if (!doc.OnOpenDocument(path)) {
            openError = OpenFailureReason(path);
            failure = *openError;
        } else if (doc.m_loadResult != ImageFile::kSuccess) {
            failure = LoadFailureReason(doc.m_loadResult);
        }
        if (!failure.empty())
            Error(path, failure);

        if (m_options.tracePage)
            PrintTrace(doc);
        else if (m_options.json)
            m_env.out << JsonRecord(doc, path, openError) << "\n";
        else
            WriteTextReport(m_env.out, ReportInput{doc, path, failure, notifier.messages});

        bool ok = failure.empty();
        if (ok && m_options.ppmPath)
            ok = WritePicture(doc);
        return ok;
    }

    std::string LoadFailureReason(int code) {
        if (!m_backend.LoaderCalled())
            return "unsupported file type";
        std::string reason = m_backend.StatusReason();
        return reason.empty() ? "cannot be loaded (code " + std::to_string(code) + ")" : reason;
    }

    void PrintTrace(Ctsn_viewerDoc& doc) {
        TraceRequest request{*m_options.tracePage, m_options.hideImage, m_options.ecardFields,
                             m_options.print};
        for (const std::string& line : TraceView(doc, m_app, request))
            m_env.out << line << "\n";
    }

    bool WritePicture(const Ctsn_viewerDoc& doc) {
        std::string reason;
        if (WritePpmFile(*m_options.ppmPath, doc.m_image.Picture(), reason))
            return true;
        Error(*m_options.ppmPath, reason);
        return false;
    }

    // One line on the error stream, naming the path as it was given; what is already
    // on the output goes first, so the two streams keep their order on one terminal.
    void Error(const std::string& path, const std::string& reason) {
        m_env.out.flush();
        m_env.err << "tsn-dump: " << path << ": " << reason << "\n";
    }

    const DumpOptions& m_options;
    DumpEnvironment m_env;
    Ctsn_viewerApp m_app;
    ObservedBackend m_backend;
};

}  // namespace

int RunTsnDump(const std::vector<std::string>& args, DumpEnvironment env) {
    const ParsedCommandLine parsed = ParseDumpCommandLine(args);
    if (!parsed.usageError.empty()) {
        env.err << "tsn-dump: " << parsed.usageError << "\n"
                << "Try 'tsn-dump --help' for more information.\n";
        return kExitUsage;
    }
    if (parsed.options.help) {
        env.out << kDumpUsage;
        return kExitOk;
    }
    if (parsed.options.version) {
        env.out << "tsn-dump " << TSN_VERSION << "\n";
        return kExitOk;
    }
    return DumpRun(parsed.options, env).Run();
}
