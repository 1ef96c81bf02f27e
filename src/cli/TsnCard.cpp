#include "cli/TsnCard.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>

#include "app/Ctsn_viewerApp.h"
#include "app/ProgramDirectory.h"
#include "cli/CardOptions.h"
#include "cli/ImageSource.h"
#include "cli/OrderedWorkers.h"
#include "cli/RecordEdits.h"
#include "doc/Ctsn_viewerDoc.h"
#include "image/ByteSource.h"
#include "image/FileBytes.h"
#include "writer/CardFileWriter.h"
#include "writer/CardRecord.h"
#include "writer/CardSerializer.h"

#ifndef TSN_VERSION
#define TSN_VERSION "unknown"
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitNotWritten = 1;
constexpr int kExitUsage = 2;

constexpr const char* kProtocolRevision = "0100";
constexpr const char* kCreatorName = "tsn-card";

// Images in flight at once. Writing one is mostly waiting for the disk to flush it;
// flushes under way together share the file system's journal commits.
constexpr int kMostWorkers = 8;

class SilentNotifier : public DocumentNotifier {
public:
    void ShowMessage(const std::string&) override {}
};

// Today's local date as DDMMYYYY, as a new record's default.
std::string Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%d%m%Y", &local);
    return text;
}

// An image's current record, read as tsn-dump --no-pixels reads it.
class RecordReader {
public:
    RecordReader(const Ctsn_viewerApp& app, ImagingBackend& backend)
        : m_app(app), m_backend(backend) {}

    // The open document, or nothing with `failure` set when the image cannot be read.
    std::unique_ptr<Ctsn_viewerDoc> Open(const std::string& path, std::string& failure) {
        std::unique_ptr<Ctsn_viewerDoc> doc = NewDocument();
        if (!doc->OnOpenDocument(path, &failure))
            return nullptr;
        return Loaded(std::move(doc), failure);
    }

    // The same from the file's bytes, read by the caller.
    std::unique_ptr<Ctsn_viewerDoc> Open(const std::string& path, const LoadedFile& file,
                                         std::string& failure) {
        std::unique_ptr<Ctsn_viewerDoc> doc = NewDocument();
        SpanSource bytes(file.bytes.data(), file.bytes.size());
        doc->OpenFileBytes(path, bytes);
        return Loaded(std::move(doc), failure);
    }

private:
    std::unique_ptr<Ctsn_viewerDoc> NewDocument() {
        auto doc = std::make_unique<Ctsn_viewerDoc>(m_app, m_backend, m_notifier);
        doc->m_headerOnly = true;
        return doc;
    }

    static std::unique_ptr<Ctsn_viewerDoc> Loaded(std::unique_ptr<Ctsn_viewerDoc> doc,
                                                  std::string& failure) {
        if (doc->m_loadResult == ImageFile::kSuccess)
            return doc;
        failure = doc->m_loadFailure;
        return nullptr;
    }

    const Ctsn_viewerApp& m_app;
    ImagingBackend& m_backend;
    SilentNotifier m_notifier;
};

class CardRun {
public:
    CardRun(const CardOptions& options, CardEnvironment& env)
        : m_options(options), m_env(env), m_reader(m_app, env.backend), m_edits(m_app.m_colDefs) {}

    int Run() {
        // The store is read only for the program directory, and only when it is needed.
        if (!m_options.defsDir)
            m_app.m_directory = ProgramDirectory(m_env.settings);
        LoadCollectionDefs(m_options.defsDir.value_or(m_app.m_directory), m_app.m_colDefs);
        if (const int status = Prepare(); status != kExitOk)
            return status;
        ImageSource source(m_options.images, nullptr, false);
        int status = kExitOk;
        RunInOrder(
            Workers(), FileTables::kShared, source, [this] { return MakeWriter(); },
            [&](DumpOutcome& outcome) {
                for (const DumpOutcome::Piece& piece : outcome.pieces)
                    (piece.error ? m_env.err : m_env.out) << piece.text;
                if (!outcome.ok)
                    status = kExitNotWritten;
            });
        FlushDirectories();
        return status;
    }

private:
    // Writes the images handed to it, each read through a document of its own.
    class ImageWriter : public ImageWorker {
    public:
        ImageWriter(CardRun& run, ImagingBackend& backend, std::unique_ptr<ImagingBackend> owned)
            : m_run(run), m_owned(std::move(owned)), m_reader(run.m_app, backend) {}

        DumpOutcome Dump(const ImageItem& item) override {
            DumpOutcome outcome;
            m_run.WriteImage(item.path, m_reader, outcome);
            return outcome;
        }

    private:
        CardRun& m_run;
        std::unique_ptr<ImagingBackend> m_owned;
        RecordReader m_reader;
    };

    // One at a time when a file is named twice (or through a link): two replaces of the
    // same file at once would each find it changed by the other.
    int Workers() const {
        if (!m_env.newBackend || m_options.images.size() < 2 || !NamesDistinctFiles())
            return 1;
        return int(std::min<std::size_t>(m_options.images.size(), kMostWorkers));
    }

    bool NamesDistinctFiles() const {
        std::set<std::pair<dev_t, ino_t>> files;
        struct stat info {};
        for (const std::string& image : m_options.images)
            if (::stat(image.c_str(), &info) == 0 &&
                !files.insert({info.st_dev, info.st_ino}).second)
                return false;
        return true;
    }

    // The first worker reads through the run's backend, the others each through one of
    // their own.
    std::unique_ptr<ImageWorker> MakeWriter() {
        if (!m_firstWriterMade) {
            m_firstWriterMade = true;
            return std::make_unique<ImageWriter>(*this, m_env.backend, nullptr);
        }
        std::unique_ptr<ImagingBackend> backend = m_env.newBackend();
        backend->Startup();
        ImagingBackend& used = *backend;
        return std::make_unique<ImageWriter>(*this, used, std::move(backend));
    }

    // Each directory written into, once at the end of the run: a rename is safe
    // without it (the old or the new file is there), it only has to last.
    void FlushDirectories() {
        for (const std::string& directory : m_writtenDirectories)
            if (!FlushDirectory(directory))
                m_env.err << "tsn-card: " << directory
                          << ": written, but the directory could not be flushed\n";
    }

    void Written(const std::string& path) {
        std::string directory = std::filesystem::path(path).parent_path().string();
        const std::lock_guard lock(m_writtenMutex);
        m_writtenDirectories.insert(directory.empty() ? "." : std::move(directory));
    }

    // Everything that does not depend on the image, checked before any is touched.
    int Prepare() {
        if (m_options.verb == CardVerb::kCopy)
            return ReadSource();
        if (m_options.verb != CardVerb::kSet)
            return kExitOk;
        std::string refusal;
        if (m_options.from) {
            std::string json;
            if (!ReadFrom(*m_options.from, json))
                return kExitUsage;
            refusal = m_edits.AddJson(json);
        }
        if (refusal.empty())
            refusal = m_edits.AddFields(m_options.edits);
        if (refusal.empty() && m_options.replace)
            refusal = CheckBuilt(nullptr);  // the same record for every image
        return Refused(refusal) ? kExitUsage : kExitOk;
    }

    bool ReadFrom(const std::string& name, std::string& json) {
        if (name == "-") {
            json.assign(std::istreambuf_iterator<char>(m_env.in), {});
            return true;
        }
        std::ifstream file(name, std::ios::binary);
        std::ostringstream text;
        if (!(file && text << file.rdbuf())) {
            m_env.err << "tsn-card: --from " << name << ": cannot be read\n";
            return false;
        }
        json = std::move(text).str();
        return true;
    }

    int ReadSource() {
        std::string failure;
        const std::unique_ptr<Ctsn_viewerDoc> source = m_reader.Open(*m_options.source, failure);
        if (!source) {
            m_env.err << "tsn-card: " << *m_options.source << ": " << failure << "\n";
            return kExitNotWritten;
        }
        // Only the record is kept: the document may hold the whole file.
        m_source = std::make_unique<CardInfo>();
        CopyCardRecord(source->m_card, *m_source);
        m_sourceHasCards = source->m_found != 0;
        return Refused(CheckBuilt(nullptr)) ? kExitUsage : kExitOk;
    }

    // The refusal of the record built for an image whose current record is `image`
    // (nullptr: one without cards), or an empty text.
    std::string CheckBuilt(const Ctsn_viewerDoc* image) {
        CardInfo record;
        Build(image, record);
        return RefusalOf(record);
    }

    std::string RefusalOf(const CardInfo& record) const {
        const std::vector<CardRefusal> refusals = CheckCardRecord(record, m_app.m_colDefs);
        return refusals.empty() ? std::string() : refusals.front().Message();
    }

    bool Refused(const std::string& refusal) {
        if (!refusal.empty())
            m_env.err << "tsn-card: " << refusal << "\n";
        return !refusal.empty();
    }

    // The new record: the source's (copy), an empty one (--replace) or the image's,
    // then the edits, then the protocol fields of this program.
    void Build(const Ctsn_viewerDoc* image, CardInfo& record) {
        const bool imageHasCards = image && image->m_found;
        if (m_source)
            CopyCardRecord(*m_source, record);
        else if (m_options.replace || !imageHasCards)
            record.Reset();
        else
            CopyCardRecord(image->m_card, record);
        m_edits.ApplyTo(record);
        std::string date = imageHasCards ? image->m_card.m_creationDate : Today();
        if (m_source && m_sourceHasCards)
            date = m_source->m_creationDate;
        record.m_creationDate = m_edits.CreationDate().value_or(date);
        record.m_protocolRevision = kProtocolRevision;
        record.m_creatorName = kCreatorName;
        record.m_creatorVersion = CreatorVersionOf(TSN_VERSION);
    }

    bool WriteImage(const std::string& path, RecordReader& reader, DumpOutcome& outcome) {
        const CardFileKind kind = CardFileKindOf(path);
        if (kind == CardFileKind::kNoComments)
            return Failed(outcome, path, "BMP, TIFF and PCX files carry no cards the viewer reads");
        if (kind == CardFileKind::kUnsupported)
            return Failed(outcome, path, "not a JPEG or PNG file");
        CardWriteOptions options{m_options.keepTime, m_options.output, m_options.dryRun, false};
        CardWriteResult result;
        if (m_options.verb == CardVerb::kClear) {
            result = ClearCardsInFile(path, options, m_env.seams);
        } else {
            LoadedFile file;
            CardInfo built;
            if (std::string failure = BuildFor(path, reader, file, built); !failure.empty())
                return Failed(outcome, path, failure);
            result = WriteCardsIntoFile(path, std::move(file), built, m_app.m_colDefs, options,
                                        m_env.seams);
        }
        if (result.status != CardWriteResult::kWritten)
            return Failed(outcome, path, result.message);
        if (!m_options.dryRun)
            Written(result.writtenPath);
        // The name as given: the file a link names is replaced, but the user named the link.
        if (m_options.verbose)
            outcome.Out((m_options.dryRun ? "would write " : "") + m_options.output.value_or(path) +
                        "\n");
        return true;
    }

    // `path` read whole into `file`, once: the new record is built from its record as
    // the viewer's pipeline reads it from those bytes, and the writer rewrites them. The
    // file is replaced only if it is still as it was when read.
    std::string BuildFor(const std::string& path, RecordReader& reader, LoadedFile& file,
                         CardInfo& built) {
        file = LoadFile(path, kMaxFileBytes);
        if (!file.ok())
            return file.error;
        std::string failure;
        const std::unique_ptr<Ctsn_viewerDoc> image = reader.Open(path, file, failure);
        if (!image)
            return failure;
        Build(image.get(), built);
        return RefusalOf(built);
    }

    static bool Failed(DumpOutcome& outcome, const std::string& path, const std::string& why) {
        outcome.Error("tsn-card: " + path + ": " + why + "\n");
        outcome.ok = false;
        return false;
    }

    const CardOptions& m_options;
    CardEnvironment& m_env;
    Ctsn_viewerApp m_app;
    RecordReader m_reader;
    RecordEdits m_edits;
    std::unique_ptr<CardInfo> m_source;  // copy: the source image's record
    bool m_sourceHasCards = false;
    bool m_firstWriterMade = false;
    std::mutex m_writtenMutex;
    std::set<std::string> m_writtenDirectories;  // to flush at the end
};

}  // namespace

std::string CreatorVersionOf(const std::string& programVersion) {
    const std::size_t dot = programVersion.find('.');
    auto twoDigits = [](const std::string& part) {
        const std::string digits = part.substr(0, 2);
        return std::string(2 - digits.size(), '0') + digits;
    };
    if (dot == std::string::npos)
        return twoDigits(programVersion) + "00";
    return twoDigits(programVersion.substr(0, dot)) + twoDigits(programVersion.substr(dot + 1));
}

int RunTsnCard(const std::vector<std::string>& args, CardEnvironment env) {
    const ParsedCardCommandLine parsed = ParseCardCommandLine(args);
    if (!parsed.usageError.empty()) {
        env.err << "tsn-card: " << parsed.usageError << "\n"
                << "Try 'tsn-card --help' for more information.\n";
        return kExitUsage;
    }
    if (parsed.options.help) {
        env.out << kCardUsage;
        return kExitOk;
    }
    if (parsed.options.version) {
        env.out << "tsn-card " << TSN_VERSION << "\n";
        return kExitOk;
    }
    return CardRun(parsed.options, env).Run();
}
