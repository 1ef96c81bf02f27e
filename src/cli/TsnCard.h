#pragma once
// tsn-card's run: writes, replaces and removes the cards of JPEG and PNG images, each
// image's current record read through the viewer's own open pipeline.

#include <functional>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "writer/SafeReplace.h"

class ImagingBackend;
class SettingsStore;

struct CardEnvironment {
    SettingsStore& settings;  // only read: the program directory
    ImagingBackend& backend;  // started
    std::istream& in;         // --from -
    std::ostream& out;
    std::ostream& err;
    ReplaceSeams seams = {};  // tests make a step of the replace fail
    // Backends of further workers, each started once, so that several images are in
    // flight at once; empty: one image at a time, through `backend`.
    std::function<std::unique_ptr<ImagingBackend>()> newBackend = {};
};

// Exit status: 0 every image written (or would be, with --dry-run), 1 some image not
// written (it is untouched), 2 usage error or refused value (nothing written).
int RunTsnCard(const std::vector<std::string>& args, CardEnvironment env);

// The creator version a card carries for program version "MAJOR.MINOR": two digits
// each, "1.1" -> "0101".
std::string CreatorVersionOf(const std::string& programVersion);
