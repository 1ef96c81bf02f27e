#pragma once
// What tsn-dump prints for one image, held until it is its turn to be written:
// standard output and standard error text in the order they are written.

#include <string>
#include <vector>

struct DumpOutcome {
    struct Piece {
        bool error;  // standard error, else standard output
        std::string text;
    };
    std::vector<Piece> pieces;
    bool ok = true;  // false: counts for exit status 1

    void Out(std::string text) { pieces.push_back(Piece{false, std::move(text)}); }
    void Error(std::string text) { pieces.push_back(Piece{true, std::move(text)}); }
};
