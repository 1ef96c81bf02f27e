#pragma once
// The command line of tsn-dump: options and image paths, or a usage error.

#include <optional>
#include <string>
#include <vector>

#include "doc/CardPage.h"

struct DumpOptions {
    bool json = false;
    bool vcard = false;                  // business cards as vCards instead of records
    bool xmp = false;                    // one XMP packet per image instead of records
    std::optional<std::string> defsDir;  // instead of the program directory
    std::optional<int> previewType;      // 0 full, 1 half, 2 limited; else the preference
    std::optional<int> maxWidth;         // limits of the limited size; else the preferences
    std::optional<int> maxHeight;
    std::optional<std::string> ppmPath;    // also write the held picture here
    std::optional<CardPage> tracePage;     // print the view's drawing of this page
    bool hideImage = false;                // trace: the picture switch off
    bool ecardFields = false;              // trace: the business card as labelled lines
    bool print = false;                    // trace: drawn on a printing context
    bool noPixels = false;                 // sizes and comments from the headers only
    bool recursive = false;                // directories among the images are walked
    std::optional<std::string> filesFrom;  // more image paths from this file ("-": stdin)
    bool nullSeparated = false;            // the list's paths end with NUL, not newline
    std::optional<int> jobs;               // workers asked for; else one per processor
    bool progress = false;                 // a progress line on a terminal's stderr
    bool help = false;
    bool version = false;
    std::vector<std::string> images;
};

struct ParsedCommandLine {
    DumpOptions options;
    std::string usageError;  // non-empty: the arguments cannot be run
};

// Options may come before, between or after the images; "--" ends the options, and
// "--name=value" is accepted for any option that takes one value (and "-jN").
ParsedCommandLine ParseDumpCommandLine(const std::vector<std::string>& args);

// Workers for `requested` (nothing: one per processor), on one rule for both: more
// than kMostJobs only cost memory.
constexpr int kMostJobs = 256;
int DumpWorkers(std::optional<int> requested, unsigned processors);

// The --help text.
extern const char* const kDumpUsage;
