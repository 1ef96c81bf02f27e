#pragma once
// The settings file's INI text read the way QSettings reads it, without QtCore: for
// programs that only read the store and should not pay QtCore's start-up for it.

#include <map>
#include <optional>
#include <string>
#include <string_view>

// One key's text. `value` as QSettings takes it: after the "=", up to a comment, over
// quoted line breaks and escaped line ends. `line` byte for byte: the rest of the
// key's line after the "=", comment and all.
struct IniEntry {
    std::string value;
    std::string line;
};

// The values directly under the application's key (the [General] section, whatever
// its case, and lines before any section), the last line of a key counting. Comments,
// quoted line breaks, escaped line ends and percent-encoded keys are taken as QSettings
// takes them.
std::map<std::string, IniEntry> IniGeneralValues(std::string_view text);

// What QSettings makes of a value text, as the string or the byte array it holds.
struct IniValue {
    enum Kind { kString, kByteArray, kOther };  // kOther: a list, invalid or another type
    Kind kind = kOther;
    std::string bytes;  // UTF-8 for a string
};
IniValue ParseIniValue(std::string_view text);

// The value as QString::toInt reads the string QSettings gives for it: an int in
// decimal, blanks around it allowed; nullopt for anything else.
std::optional<int> IniValueAsInt(std::string_view text);
