#pragma once
// The JSON object tsn-dump prints for one image: the document's fields after the
// open and its card record, every key always present.

#include <optional>
#include <string>

class Ctsn_viewerDoc;

// One line of JSON, without the line end. `openError` is set when the file could
// not be opened for reading (the document then holds a new document's state).
std::string JsonRecord(const Ctsn_viewerDoc& doc, const std::string& path,
                       const std::optional<std::string>& openError);
