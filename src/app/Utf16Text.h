#pragma once
// Text held the way QString holds it, UTF-16 code units, for reading what QSettings
// wrote without QtCore.

#include <string>
#include <string_view>

// Appends UTF-8 bytes as QString::fromUtf8 reads them: a byte that is not UTF-8 becomes
// U+FFFD, a character cut at the end is dropped. (Where an escape cuts such a sequence
// QSettings may replace a few more bytes.)
void AppendUtf8(std::u16string& out, std::string_view bytes);
// As QString::toUtf8: a lone surrogate becomes U+FFFD.
std::string ToUtf8(const std::u16string& text);
// As QString::toLatin1: a unit beyond U+00FF becomes '?'.
std::string ToLatin1(const std::u16string& text);
