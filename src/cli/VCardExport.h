#pragma once
// tsn-dump --vcard: the Business E-Card as a vCard 4.0 for address books.

#include <string>

class CardInfo;

// The vCard of the record's business card, lines ending CR LF and folded at 75
// octets; empty when the record has no business card. Card text is read as
// Windows-1252, as the JSON reads it.
std::string VCardExport(const CardInfo& card);
