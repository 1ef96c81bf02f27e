#include <fstream>
#include <istream>

#include "collection/ColDef.h"

namespace {

// The piece of `line` from `start`, at most `length` bytes: empty when it would
// start past the end, cut short when it would run past it.
std::string Piece(const std::string& line, std::size_t start,
                  std::size_t length = std::string::npos) {
    if (start >= line.size()) {
        return {};
    }
    return line.substr(start, length);
}

// One line without its LF, and without a CR directly before that LF. False at the
// end of the data or on a read error.
bool ReadLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) {
        return false;
    }
    const bool endedByLineFeed = !in.eof();
    if (endedByLineFeed && !line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return true;
}

bool StartsWith(const std::string& line, char first) {
    return !line.empty() && line[0] == first;
}

}  // namespace

bool ParseCollectionDefs(std::istream& in, ColDefList& list) {
    bool appended = false;
    std::string line;
    while (ReadLine(in, line)) {
        if (!StartsWith(line, '{')) {
            continue;
        }
        auto definition = std::make_unique<ColDef>();
        definition->SetCode(Piece(line, 2, 3));
        definition->SetName(Piece(line, 6));
        int index = 0;
        while (ReadLine(in, line) && !StartsWith(line, '}')) {
            definition->AddField();
            definition->SetFieldCode(index, Piece(line, 0, 3));
            definition->SetFieldLabel(index, Piece(line, 4));
            ++index;
        }
        if (in.bad()) {
            // Reading broke off inside this block: it may lack fields, so it is not kept.
            break;
        }
        list.push_back(std::move(definition));
        appended = true;
    }
    return appended;
}

bool LoadCollectionDefs(const std::string& directory, ColDefList& list) {
    // Byte for byte: line ends are handled by the parser, so a CR LF file reads the
    // same as an LF one on every platform.
    std::ifstream in(directory + "/" + kCollectionDefsFileName, std::ios::binary);
    if (!in.is_open()) {
        return false;
    }
    return ParseCollectionDefs(in, list);
}
