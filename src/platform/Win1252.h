#pragma once
// Card texts are single bytes in the Windows-1252 code page. These turn them into
// UTF-8 for people and JSON, the same way in the viewer, tsn-dump and traces.

#include <optional>
#include <string>
#include <string_view>

// Every byte read as Windows-1252; the five bytes the code page leaves unassigned
// (0x81 0x8D 0x8F 0x90 0x9D) stand for the C1 controls U+0081 ... U+009D.
std::string Win1252ToUtf8(std::string_view bytes);

// The reverse: UTF-8 text as Windows-1252 bytes, the five C1 controls above included.
// Nothing when the text is not valid UTF-8 or holds a character the code page cannot
// hold; `refused` (when given) then says which, e.g. "U+4E2D" or "invalid UTF-8".
std::optional<std::string> Utf8ToWin1252(std::string_view utf8, std::string* refused = nullptr);

// The Unicode code point of one Windows-1252 byte.
char32_t Win1252CodePoint(unsigned char byte);

// A JSON string literal (quotes included) of the bytes read as Windows-1252, in
// UTF-8, with the escapes \" \\ \r \n \t and \u00XX for every other control character.
std::string JsonQuote(std::string_view bytes);
// The same, appended to `out` (records of many strings are built in one buffer).
void AppendJsonQuoted(std::string& out, std::string_view bytes);

// The same for text that is UTF-8 already: the same escapes, every other byte as it is.
std::string JsonQuoteUtf8(std::string_view utf8);
