#pragma once
// Card bytes made safe and readable for a terminal: Windows-1252 read as UTF-8, and
// every byte a terminal could act on (C0 controls but tab, DEL, and the code page's
// unassigned C1 bytes) shown as \xNN instead.

#include <string>
#include <string_view>

std::string TerminalText(std::string_view bytes);

// A file name made safe the same way, read as the system's text (PathToUtf8's rule):
// UTF-8 as it is when valid, with the controls a terminal could act on escaped.
std::string TerminalPath(std::string_view path);
