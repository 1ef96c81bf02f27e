#pragma once
// Cards into an image file on disk: read, card comments rewritten, the result checked
// and the file replaced safely. JPEG and PNG only, told apart by extension as the
// viewer tells them apart.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "card/CardInfo.h"
#include "collection/ColDef.h"
#include "writer/CardCommentLayout.h"
#include "writer/SafeReplace.h"

enum class CardFileKind { kJpeg, kPng, kNoComments, kUnsupported };

// The kind of `path` by its extension: .jpg/.jpeg, .png; .bmp/.tif/.tiff/.pcx hold no
// comments the viewer reads; anything else is not an image the viewer opens.
CardFileKind CardFileKindOf(const std::string& path);

struct CardWriteOptions {
    bool keepTime = false;                  // the file keeps its modification time
    std::optional<std::string> outputPath;  // -o OUT: written there, the image untouched
    bool dryRun = false;                    // everything but the writing
    bool flushDirectory = true;             // false: the caller flushes it (FlushDirectory)
};

struct CardWriteResult {
    enum Status {
        kWritten,  // or, with dryRun, would be
        kRefused,  // the record cannot be written (a value the format cannot carry)
        kFailed,   // this file could not be written; it is untouched
        kChanged,  // the file changed while we worked on it; left alone
    };
    Status status = kFailed;
    std::string message;      // one line for anything but kWritten
    std::string writtenPath;  // the file written (OUT with -o)
};

// Builds the new record from the file's current one, handed in parsed (a reset record
// when the file holds no cards). Returns a message naming the field when the result
// cannot be built; empty when it can.
using CardRecordEdit = std::function<std::string(CardInfo& record)>;

// Reads `path`, lets `edit` turn its current record into the new one, writes that as
// the file's only card comments, checks the new bytes (they parse back to the record;
// the bytes outside the card comments are the old ones) and replaces the file safely.
CardWriteResult EditCardsInFile(const std::string& path, const ColDefList& defs,
                                const CardWriteOptions& options, const CardRecordEdit& edit,
                                const ReplaceSeams& seams = {});

// The same with a record given whole (set --replace, copy).
CardWriteResult WriteCardsIntoFile(const std::string& path, const CardInfo& card,
                                   const ColDefList& defs, const CardWriteOptions& options,
                                   const ReplaceSeams& seams = {});

// The same with the file as the caller has read it (LoadFile), so that it is read only
// once; `path` is the name it was read by.
CardWriteResult WriteCardsIntoFile(const std::string& path, LoadedFile read, const CardInfo& card,
                                   const ColDefList& defs, const CardWriteOptions& options,
                                   const ReplaceSeams& seams = {});

// Every card comment removed (clear); other comments stay, in their order.
CardWriteResult ClearCardsInFile(const std::string& path, const CardWriteOptions& options,
                                 const ReplaceSeams& seams = {});

// The file's bytes with its card comments replaced by `comments`, scrambled ones (none:
// the card comments removed); every other byte as it was.
RewrittenFile RewriteCardComments(CardFileKind kind, std::span<const std::uint8_t> bytes,
                                  const std::vector<std::string>& comments);

// The card comments the viewer reads from a JPEG or PNG file's bytes, in file order,
// each as the viewer hands it to the parser (cut at its first NUL).
std::vector<std::string> ReadCardComments(CardFileKind kind, std::span<const std::uint8_t> bytes);
