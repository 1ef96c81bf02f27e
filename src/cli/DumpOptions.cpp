#include "cli/DumpOptions.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <utility>

#include "cli/ArgumentWalker.h"

const char* const kDumpUsage =
    "Usage: tsn-dump [OPTIONS] IMAGE...\n"
    "       tsn-dump [OPTIONS] --recursive DIR...\n"
    "       find ... -print0 | tsn-dump [OPTIONS] --files-from - --null\n"
    "Prints the cards the viewer finds in each image.\n"
    "\n"
    "  --json                  one JSON object per image, one per line\n"
    "  --vcard                 a vCard 4.0 for each image with a business card\n"
    "  --xmp                   an XMP packet for each image\n"
    "  --defs-dir DIR          read official_collection.def from DIR\n"
    "  --preview full|half|limited\n"
    "                          preview sizing (default: the PreviewType preference)\n"
    "  --max-size W H          limits of the limited size (default: PrevSizeX, PrevSizeY);\n"
    "                          a limit below 1 leaves its side free\n"
    "  --ppm FILE              write the picture as held after preview sizing (one IMAGE)\n"
    "  --trace PAGE            print the view's drawing of PAGE (one IMAGE): none, general,\n"
    "                          business, collection, copyright, protocol or comments\n"
    "  --hide-image            with --trace: the picture switch off\n"
    "  --ecard-fields          with --trace: the business card as labelled lines\n"
    "  --print                 with --trace: drawn as on paper\n"
    "  --no-pixels             read only the record's data, no pixels decoded\n"
    "  -r, --recursive         walk directories for .bmp .jpg .jpeg .tif .tiff .pcx .png\n"
    "                          files, in byte order of their paths\n"
    "  --files-from FILE       read more IMAGE paths from FILE (- for standard input),\n"
    "                          one a line\n"
    "  -0, --null              with --files-from: paths end with NUL, not newline\n"
    "  -j, --jobs N            open the images with N workers (default: one per\n"
    "                          processor), at most 256; the output stays in order\n"
    "  --progress              a progress line on standard error when it is a terminal\n"
    "  --help                  show this help\n"
    "  --version               show the version\n"
    "\n"
    "Exit status: 0 every image loaded, 1 some image could not be opened or loaded,\n"
    "2 usage error.\n";

namespace {

struct NamedPage {
    const char* name;
    CardPage page;
};

constexpr NamedPage kTracePages[] = {
    {"none", PageNone},
    {"general", PageGeneralCard},
    {"business", PageBusinessCard},
    {"collection", PageCollectionCard},
    {"copyright", PageCopyrightCard},
    {"protocol", PageProtocolDetails},
    {"comments", PageOtherComments},
};

std::optional<int> ParsePreviewType(const std::string& text) {
    if (text == "full")
        return 0;
    if (text == "half")
        return 1;
    if (text == "limited")
        return 2;
    return std::nullopt;
}

// A whole decimal number, optionally with a minus sign.
std::optional<int> ParseInteger(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

class ArgumentReader {
public:
    explicit ArgumentReader(const std::vector<std::string>& args) : m_walker(args, 0, {"-j"}) {}

    ParsedCommandLine Read() {
        while (!m_walker.AtEnd() && m_result.usageError.empty())
            ReadOne();
        if (m_result.usageError.empty())
            CheckCombination();
        return std::move(m_result);
    }

private:
    void ReadOne() {
        const auto apply = [this](const std::string& option) { return ApplyOption(option); };
        if (std::string error = ReadArgument(m_walker, m_result.options.images, apply);
            !error.empty())
            Fail(std::move(error));
    }

    bool ApplyOption(const std::string& name) {
        DumpOptions& o = m_result.options;
        if (name == "--json")
            o.json = true;
        else if (name == "--vcard")
            o.vcard = true;
        else if (name == "--xmp")
            o.xmp = true;
        else if (name == "--hide-image")
            o.hideImage = true;
        else if (name == "--ecard-fields")
            o.ecardFields = true;
        else if (name == "--print")
            o.print = true;
        else if (name == "--help" || name == "-h")
            o.help = true;
        else if (name == "--version")
            o.version = true;
        else if (name == "--no-pixels")
            o.noPixels = true;
        else if (name == "--recursive" || name == "-r")
            o.recursive = true;
        else if (name == "--null" || name == "-0")
            o.nullSeparated = true;
        else if (name == "--progress")
            o.progress = true;
        else if (name == "--files-from")
            ReadFilesFrom();
        else if (name == "--jobs" || name == "-j")
            ReadJobs();
        else if (name == "--defs-dir")
            ReadDefsDir();
        else if (name == "--preview")
            ReadPreview();
        else if (name == "--max-size")
            ReadMaxSize();
        else if (name == "--ppm")
            ReadPpm();
        else if (name == "--trace")
            ReadTrace();
        else
            return false;
        return true;
    }

    void ReadDefsDir() {
        if (auto value = Value("--defs-dir"))
            m_result.options.defsDir = *value;
    }

    void ReadFilesFrom() {
        if (auto value = Value("--files-from"))
            m_result.options.filesFrom = *value;
    }

    void ReadJobs() {
        auto value = Value("--jobs");
        if (!value)
            return;
        m_result.options.jobs = ParseInteger(*value);
        if (!m_result.options.jobs || *m_result.options.jobs < 1)
            Fail("--jobs takes a whole number from 1 up, not '" + *value + "'");
    }

    void ReadPpm() {
        if (auto value = Value("--ppm"))
            m_result.options.ppmPath = *value;
    }

    void ReadPreview() {
        auto value = Value("--preview");
        if (!value)
            return;
        m_result.options.previewType = ParsePreviewType(*value);
        if (!m_result.options.previewType)
            Fail("--preview takes full, half or limited, not '" + *value + "'");
    }

    void ReadMaxSize() {
        if (m_walker.HasInlineValue()) {
            Fail("--max-size takes two values: --max-size W H");
            return;
        }
        if (m_walker.Remaining() < 2) {
            Fail("--max-size needs a width and a height");
            return;
        }
        const std::string width = m_walker.Raw();
        const std::string height = m_walker.Raw();
        // As in the preferences, a limit below 1 leaves its side free.
        m_result.options.maxWidth = ParseInteger(width);
        m_result.options.maxHeight = ParseInteger(height);
        if (!m_result.options.maxWidth || !m_result.options.maxHeight)
            Fail("--max-size takes two whole numbers, not '" + width + "' '" + height + "'");
    }

    void ReadTrace() {
        auto value = Value("--trace");
        if (!value)
            return;
        for (const NamedPage& named : kTracePages) {
            if (*value == named.name) {
                m_result.options.tracePage = named.page;
                return;
            }
        }
        Fail(
            "--trace takes none, general, business, collection, copyright, protocol or "
            "comments, not '" +
            *value + "'");
    }

    // The one value of an option: after '=' or the next argument.
    std::optional<std::string> Value(const std::string& name) {
        std::optional<std::string> value = m_walker.Value();
        if (!value)
            Fail(name + " needs a value");
        return value;
    }

    void CheckCombination() {
        const DumpOptions& o = m_result.options;
        if (o.help || o.version)
            return;
        if (o.images.empty() && !o.filesFrom)
            Fail("no IMAGE given");
        else if (o.nullSeparated && !o.filesFrom)
            Fail("--null goes with --files-from");
        else if ((o.ppmPath || o.tracePage) && (o.recursive || o.filesFrom))
            Fail("--ppm and --trace take one IMAGE, not --recursive or --files-from");
        else if (o.ppmPath && o.images.size() != 1)
            Fail("--ppm takes exactly one IMAGE");
        else if (o.tracePage && o.images.size() != 1)
            Fail("--trace takes exactly one IMAGE");
        else if (!o.tracePage && (o.hideImage || o.ecardFields || o.print))
            Fail("--hide-image, --ecard-fields and --print go with --trace");
        else if (int(o.json) + int(o.vcard) + int(o.xmp) + int(o.tracePage.has_value()) > 1)
            Fail("--json, --vcard, --xmp and --trace do not go together");
        else if (o.noPixels && (o.ppmPath || o.tracePage))
            Fail("--no-pixels does not go with --ppm or --trace");
    }

    void Fail(std::string message) {
        if (m_result.usageError.empty())
            m_result.usageError = std::move(message);
    }

    ArgumentWalker m_walker;
    ParsedCommandLine m_result;
};

}  // namespace

ParsedCommandLine ParseDumpCommandLine(const std::vector<std::string>& args) {
    return ArgumentReader(args).Read();
}

int DumpWorkers(std::optional<int> requested, unsigned processors) {
    const int wanted = requested.value_or(static_cast<int>(std::min(processors, 1u << 20)));
    return std::clamp(wanted, 1, kMostJobs);
}
