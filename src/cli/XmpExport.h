#pragma once
// tsn-dump --xmp: the record as an XMP packet, in the properties photo managers read
// (Dublin Core, XMP rights, Photoshop, IPTC Core), the collection card in a
// namespace of our own.

#include <string>

class CardInfo;

// The namespace of the collection card's properties.
inline constexpr const char* kTsnXmpNamespace = "http://ns.tessellon.org/tsn-card/1.0/";

// One whole packet (header to trailer, ending with a newline); only the cards present
// give properties. Card text is read as Windows-1252, as the JSON reads it.
std::string XmpExport(const CardInfo& card);
