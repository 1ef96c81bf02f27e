#include "cli/CardOptions.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "cli/ArgumentWalker.h"

const char* const kCardUsage =
    "Usage: tsn-card set [FIELDS] [--from FILE|-] [--replace] [OPTIONS] IMAGE...\n"
    "       tsn-card clear [OPTIONS] IMAGE...\n"
    "       tsn-card copy [OPTIONS] SOURCE IMAGE...\n"
    "Writes, replaces and removes the cards of JPEG and PNG images.\n"
    "\n"
    "FIELDS (each sets its field and makes its card present):\n"
    "  --title T, --description D               General Card\n"
    "  --layout N (1-10), --name, --street, --phone, --fax, --url, --email, --message\n"
    "                                           Business E-Card\n"
    "  --collection CODE, then --field CODE=VALUE\n"
    "                                           Collection Card of the definitions file\n"
    "  --user-collection NAME, then --field LABEL=VALUE\n"
    "                                           Collection Card, user-defined\n"
    "  --status copyrighted|protected|public-domain (or 0, 1, 2), --credits, --holder\n"
    "                                           Copyright Card\n"
    "  --no-general, --no-business, --no-collection, --no-copyright\n"
    "                                           remove that card\n"
    "\n"
    "  --from FILE|-           start from this tsn-dump --json record\n"
    "  --replace               start from an empty record, not the image's\n"
    "  -o OUT                  (one IMAGE) write the result to OUT, IMAGE untouched\n"
    "  --keep-time             keep the file's modification time\n"
    "  --defs-dir DIR          read official_collection.def from DIR\n"
    "  --dry-run               check and report, write nothing\n"
    "  -v                      one line per file written\n"
    "  --help                  show this help\n"
    "  --version               show the version\n"
    "\n"
    "Exit status: 0 every IMAGE written, 1 some IMAGE not written, 2 usage error.\n";

namespace {

constexpr std::array<std::string_view, 16> kValuedFields = {
    "--title",           "--description", "--layout",     "--name",
    "--street",          "--phone",       "--fax",        "--url",
    "--email",           "--message",     "--collection", "--field",
    "--user-collection", "--status",      "--credits",    "--holder"};
constexpr std::array<std::string_view, 4> kRemovalFields = {"--no-general", "--no-business",
                                                            "--no-collection", "--no-copyright"};

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

class ArgumentReader {
public:
    explicit ArgumentReader(const std::vector<std::string>& args)
        : m_args(args), m_walker(args, FirstAfterVerb(args)) {}

    ParsedCardCommandLine Read() {
        if (!m_args.empty())
            ReadVerb();
        while (!m_walker.AtEnd() && m_result.usageError.empty())
            ReadOne();
        if (m_result.usageError.empty())
            CheckCombination();
        return std::move(m_result);
    }

private:
    // The verb comes first; --help, --version or a missing verb are found later.
    static std::size_t FirstAfterVerb(const std::vector<std::string>& args) {
        return !args.empty() && !args[0].starts_with("-") ? 1 : 0;
    }

    void ReadVerb() {
        const std::string& verb = m_args[0];
        if (verb.starts_with("-"))
            return;
        m_hasVerb = true;
        if (verb == "set")
            m_result.options.verb = CardVerb::kSet;
        else if (verb == "clear")
            m_result.options.verb = CardVerb::kClear;
        else if (verb == "copy")
            m_result.options.verb = CardVerb::kCopy;
        else
            Fail("unknown command '" + verb + "' (set, clear or copy)");
    }

    void ReadOne() {
        const auto apply = [this](const std::string& option) { return ApplyOption(option); };
        if (std::string error = ReadArgument(m_walker, m_result.options.images, apply);
            !error.empty())
            Fail(std::move(error));
    }

    bool ApplyOption(const std::string& name) {
        CardOptions& o = m_result.options;
        if (IsValuedField(name)) {
            if (auto value = Value(name))
                o.edits.push_back({name, *value});
        } else if (IsRemovalField(name)) {
            o.edits.push_back({name, {}});
        } else if (name == "--from") {
            o.from = Value(name);
        } else if (name == "-o" || name == "--output") {
            o.output = Value(name);
        } else if (name == "--defs-dir") {
            o.defsDir = Value(name);
        } else if (name == "--replace") {
            o.replace = true;
        } else if (name == "--keep-time") {
            o.keepTime = true;
        } else if (name == "--dry-run") {
            o.dryRun = true;
        } else if (name == "-v" || name == "--verbose") {
            o.verbose = true;
        } else if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--version") {
            o.version = true;
        } else {
            return false;
        }
        return true;
    }

    // The one value of an option: after '=' or the next argument.
    std::optional<std::string> Value(const std::string& name) {
        std::optional<std::string> value = m_walker.Value();
        if (!value)
            Fail(name + " needs a value");
        return value;
    }

    void CheckCombination() {
        CardOptions& o = m_result.options;
        if (o.help || o.version)
            return;
        if (!m_hasVerb) {
            Fail("no command given (set, clear or copy)");
            return;
        }
        if (o.verb != CardVerb::kSet && (!o.edits.empty() || o.from || o.replace)) {
            Fail("FIELDS, --from and --replace go with set");
            return;
        }
        if (o.verb == CardVerb::kCopy && !o.images.empty()) {
            o.source = o.images.front();
            o.images.erase(o.images.begin());
        }
        if (o.images.empty())
            Fail(o.verb == CardVerb::kCopy ? "copy needs a SOURCE and an IMAGE" : "no IMAGE given");
        else if (o.output && o.images.size() != 1)
            Fail("-o takes exactly one IMAGE");
    }

    void Fail(std::string message) {
        if (m_result.usageError.empty())
            m_result.usageError = std::move(message);
    }

    const std::vector<std::string>& m_args;
    ArgumentWalker m_walker;
    bool m_hasVerb = false;
    ParsedCardCommandLine m_result;
};

}  // namespace

bool IsValuedField(const std::string& option) {
    return Contains(kValuedFields, option);
}

bool IsRemovalField(const std::string& option) {
    return Contains(kRemovalFields, option);
}

ParsedCardCommandLine ParseCardCommandLine(const std::vector<std::string>& args) {
    return ArgumentReader(args).Read();
}
