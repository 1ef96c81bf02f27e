#include "cli/TsnDump.h"

#include <algorithm>
#include <optional>
#include <sstream>
#include <thread>

#include "app/Ctsn_viewerApp.h"
#include "app/ProgramDirectory.h"
#include "cli/DumpOptions.h"
#include "cli/ImageSource.h"
#include "cli/JsonRecord.h"
#include "cli/OrderedWorkers.h"
#include "cli/OutputBatcher.h"
#include "cli/PpmWriter.h"
#include "cli/ProgressLine.h"
#include "cli/TextReport.h"
#include "cli/VCardExport.h"
#include "cli/ViewTrace.h"
#include "cli/XmpExport.h"
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

// One line on the error stream, naming the path as it was given.
void AddError(DumpOutcome& outcome, const std::string& path, const std::string& reason) {
    outcome.Error("tsn-dump: " + path + ": " + reason + "\n");
    outcome.ok = false;
}

// Opens images one at a time, each with a new document, through a backend of its
// own; the application state (preferences, definitions) is shared and only read.
class ImageDumper : public ImageWorker {
public:
    ImageDumper(const DumpOptions& options, const Ctsn_viewerApp& app,
                std::unique_ptr<ImagingBackend> backend)
        : m_options(options), m_app(app), m_backend(std::move(backend)) {
        m_backend->Startup();
    }

    DumpOutcome Dump(const ImageItem& item) override {
        DumpOutcome outcome;
        if (!item.failure.empty())
            AddError(outcome, item.path, item.failure);
        else
            DumpImage(item.path, outcome);
        return outcome;
    }

private:
    void DumpImage(const std::string& path, DumpOutcome& outcome) {
        CollectingNotifier notifier;
        Ctsn_viewerDoc doc(m_app, *m_backend, notifier);
        doc.m_headerOnly = m_options.noPixels;
        std::optional<std::string> openError;
        std::string failure;
        std::string whyNot;
        if (!doc.OnOpenDocument(path, &whyNot))
            failure = *(openError = std::move(whyNot));
        else if (doc.m_loadResult != ImageFile::kSuccess)
            failure = doc.m_loadFailure;
        if (!failure.empty())
            AddError(outcome, path, failure);

        if (m_options.tracePage)
            outcome.Out(Trace(doc));
        else if (m_options.json)
            outcome.Out(JsonRecord(doc, path, openError) += '\n');
        else if (m_options.vcard)
            outcome.Out(VCardExport(doc.m_card));
        else if (m_options.xmp)
            outcome.Out(XmpExport(doc.m_card));
        else
            outcome.Out(TextReport(ReportInput{doc, path, failure, notifier.messages}));

        if (outcome.ok && m_options.ppmPath)
            WritePicture(doc, outcome);
    }

    std::string Trace(Ctsn_viewerDoc& doc) {
        TraceRequest request{*m_options.tracePage, m_options.hideImage, m_options.ecardFields,
                             m_options.print};
        std::string text;
        for (const std::string& line : TraceView(doc, m_app, request))
            text += line + "\n";
        return text;
    }

    static std::string TextReport(const ReportInput& input) {
        std::ostringstream text;
        WriteTextReport(text, input);
        return std::move(text).str();
    }

    void WritePicture(const Ctsn_viewerDoc& doc, DumpOutcome& outcome) {
        std::string reason;
        if (!WritePpmFile(*m_options.ppmPath, doc.m_image.Picture(), reason))
            AddError(outcome, *m_options.ppmPath, reason);
    }

    const DumpOptions& m_options;
    const Ctsn_viewerApp& m_app;
    std::unique_ptr<ImagingBackend> m_backend;
};

class DumpRun {
public:
    DumpRun(const DumpOptions& options, DumpEnvironment env) : m_options(options), m_env(env) {}

    int Run() {
        PrepareApplication();
        std::unique_ptr<PathListReader> list;
        if (m_options.filesFrom) {
            list = std::make_unique<PathListReader>(*m_options.filesFrom, m_options.nullSeparated);
            if (!list->StartError().empty()) {
                m_env.err << "tsn-dump: " << *m_options.filesFrom << ": " << list->StartError()
                          << "\n";
                return kExitUsage;
            }
        }
        ImageSource source(m_options.images, std::move(list), m_options.recursive);
        ProgressLine progress(m_env.err, m_options.progress && m_env.errIsTerminal, source.Total());
        OutputBatcher out(m_env.out);
        int status = kExitOk;
        auto makeWorker = [&] {
            return std::make_unique<ImageDumper>(m_options, m_app, m_env.newBackend());
        };
        const FileTables tables = m_env.ownsProcess ? FileTables::kPerWorker : FileTables::kShared;
        RunInOrder(Workers(), tables, source, makeWorker, [&](DumpOutcome& outcome) {
            Write(outcome, out, progress);
            if (!outcome.ok)
                status = kExitNotLoaded;
        });
        out.Flush();
        progress.Finish();
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

    int Workers() const {
        const bool severalImages =
            m_options.images.size() > 1 || m_options.filesFrom || m_options.recursive;
        if (!m_options.jobs && !severalImages)
            return 1;
        return DumpWorkers(m_options.jobs, std::thread::hardware_concurrency());
    }

    // What is already on the output goes before an error line, so the two streams
    // keep their order on one terminal; the progress line steps aside for both.
    void Write(DumpOutcome& outcome, OutputBatcher& out, ProgressLine& progress) {
        for (DumpOutcome::Piece& piece : outcome.pieces) {
            if (piece.error) {
                out.Flush();
                progress.Clear();
                m_env.err << piece.text;
            } else if (progress.Shown() && m_env.outIsTerminal) {
                progress.Clear();
                out.Append(piece.text);
                out.Flush();
            } else {
                out.Append(piece.text);
            }
        }
        progress.Count();
    }

    const DumpOptions& m_options;
    DumpEnvironment m_env;
    Ctsn_viewerApp m_app;
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
