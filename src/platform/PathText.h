#pragma once
// File names are the system's text, not card text: their bytes are UTF-8 when they
// are valid UTF-8, and otherwise (a name written under another locale) each byte is
// read as Windows-1252, so that every name shows as something readable.

#include <string>
#include <string_view>

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or code
// points beyond U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// The path's text in UTF-8 by the rule above.
std::string PathToUtf8(std::string_view path);

// A JSON string literal (quotes included) of the path's text, escaped as JsonQuote does.
std::string JsonQuotePath(std::string_view path);
