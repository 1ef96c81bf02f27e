#pragma once
// The command line of tsn-card: the verb, the FIELDS in their order, the options and
// the images, or a usage error.

#include <optional>
#include <string>
#include <vector>

enum class CardVerb { kSet, kClear, kCopy };

// One FIELDS option as given, e.g. {"--title", "Dawn"}; value-less ones (--no-general)
// have an empty value.
struct FieldEdit {
    std::string option;
    std::string value;
};

struct CardOptions {
    CardVerb verb = CardVerb::kSet;
    std::vector<FieldEdit> edits;     // set: in command-line order
    std::optional<std::string> from;  // set: a tsn-dump --json object ("-": stdin)
    bool replace = false;             // set: start from an empty record
    std::optional<std::string> output;
    bool keepTime = false;
    std::optional<std::string> defsDir;
    bool dryRun = false;
    bool verbose = false;
    bool help = false;
    bool version = false;
    std::optional<std::string> source;  // copy: the image whose record is copied
    std::vector<std::string> images;
};

struct ParsedCardCommandLine {
    CardOptions options;
    std::string usageError;  // non-empty: the arguments cannot be run
};

// The verb comes first; options may come before, between or after the images, "--"
// ends them, and "--name=value" is accepted for any option that takes a value.
ParsedCardCommandLine ParseCardCommandLine(const std::vector<std::string>& args);

// The FIELDS options that take a value, and those that take none.
bool IsValuedField(const std::string& option);
bool IsRemovalField(const std::string& option);

extern const char* const kCardUsage;
