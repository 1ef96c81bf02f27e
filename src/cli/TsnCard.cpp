#include "cli/TsnCard.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>

#include "app/Ctsn_viewerApp.h"
#include "app/ProgramDirectory.h"
#include "cli/CardOptions.h"
#include "cli/RecordEdits.h"
#include "doc/Ctsn_viewerDoc.h"
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
        auto doc = std::make_unique<Ctsn_viewerDoc>(m_app, m_backend, m_notifier);
        doc->m_headerOnly = true;
        if (!doc->OnOpenDocument(path, &failure))
            return nullptr;
        if (doc->m_loadResult != ImageFile::kSuccess) {
            failure = doc->m_loadFailure;
            return nullptr;
        }
        return doc;
    }

private:
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
        int status = kExitOk;
        for (const std::string& image : m_options.images)
            if (!WriteImage(image))
                status = kExitNotWritten;
        return status;
    }

private:
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

    bool WriteImage(const std::string& path) {
        const CardFileKind kind = CardFileKindOf(path);
        if (kind == CardFileKind::kNoComments)
            return Failed(path, "BMP, TIFF and PCX files carry no cards the viewer reads");
        if (kind == CardFileKind::kUnsupported)
            return Failed(path, "not a JPEG or PNG file");
        CardWriteOptions options{m_options.keepTime, m_options.output, m_options.dryRun};
        CardWriteResult result;
        if (m_options.verb == CardVerb::kClear) {
            result = ClearCardsInFile(path, options, m_env.seams);
        } else {
            CardInfo built;
            std::optional<FileSnapshot> read;
            if (std::string failure = BuildFor(path, built, read); !failure.empty())
                return Failed(path, failure);
            auto edit = [&](CardInfo& record) { return TakeRecord(path, *read, built, record); };
            result = EditCardsInFile(path, m_app.m_colDefs, options, edit, m_env.seams);
        }
        if (result.status != CardWriteResult::kWritten)
            return Failed(path, result.message);
        // The name as given: the file a link names is replaced, but the user named the link.
        if (m_options.verbose)
            m_env.out << (m_options.dryRun ? "would write " : "") << m_options.output.value_or(path)
                      << "\n";
        return true;
    }

    // The new record of `path`, built from its record as the viewer's pipeline reads
    // it; `read` is the file as it was before that read. The document is let go before
    // the writer reads the file, so the two never hold it at once.
    std::string BuildFor(const std::string& path, CardInfo& built,
                         std::optional<FileSnapshot>& read) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0)
            return std::strerror(errno);
        read = SnapshotOf(info);
        std::string failure;
        const std::unique_ptr<Ctsn_viewerDoc> image = m_reader.Open(path, failure);
        if (!image)
            return failure;
        Build(image.get(), built);
        return {};
    }

    // Called by the writer once it holds the file's bytes: they are the bytes the record
    // was built from only if the file has not changed since it was read.
    std::string TakeRecord(const std::string& path, const FileSnapshot& read, const CardInfo& built,
                           CardInfo& record) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || !SameFileState(SnapshotOf(info), read))
            return "the file changed while it was read; left alone";
        CopyCardRecord(built, record);
        const std::vector<CardRefusal> refusals = CheckCardRecord(record, m_app.m_colDefs);
        return refusals.empty() ? std::string() : refusals.front().Message();
    }

    bool Failed(const std::string& path, const std::string& why) {
        m_env.err << "tsn-card: " << path << ": " << why << "\n";
        return false;
    }

    const CardOptions& m_options;
    CardEnvironment& m_env;
    Ctsn_viewerApp m_app;
    RecordReader m_reader;
    RecordEdits m_edits;
    std::unique_ptr<CardInfo> m_source;  // copy: the source image's record
    bool m_sourceHasCards = false;
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
