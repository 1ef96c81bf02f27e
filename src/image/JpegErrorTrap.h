#pragma once
// libjpeg reports a fatal error through error_exit, which must not return. The trap
// turns that call into a jump back to RunJpegStep, which then returns false with the
// library's one-line message. Warnings never stop the work; the trap counts them and
// notes what they say about damage to the data.
//
// The jump skips the frames between the step and RunJpegStep, so a step keeps only
// trivially destructible locals (no std::string, no vector): everything it fills lives
// in the caller.

#include <csetjmp>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>
// After jpeglib.h: which warnings exist depends on its configuration.
#include <jerror.h>

struct JpegErrorTrap {
    jpeg_error_mgr manager;  // first member: libjpeg hands back a pointer to it
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
    const char* ownMessage = nullptr;  // set by a caller that aborts on its own account
    int warnings = 0;
    // A scan's data ended at a marker other than a restart marker: the rest of that
    // scan is made-up zeros.
    bool scanCut = false;
    int corruptScan = 0;  // the scan of the first corrupt-data warning (1 for the first)
};

namespace jpeg_trap_detail {

inline JpegErrorTrap* TrapOf(j_common_ptr info) {
    return reinterpret_cast<JpegErrorTrap*>(info->err);
}

[[noreturn]] inline void ErrorExit(j_common_ptr info) {
    JpegErrorTrap* trap = TrapOf(info);
    if (!trap->ownMessage)
        (*info->err->format_message)(info, trap->message);
    std::longjmp(trap->jump, 1);
}

inline bool IsCorruptData(int code) {
    switch (code) {
        case JWRN_ARITH_BAD_CODE:
        case JWRN_BOGUS_PROGRESSION:
        case JWRN_EXTRANEOUS_DATA:
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_MUST_RESYNC:
        case JWRN_NOT_SEQUENTIAL:
            return true;
        default:
            return false;
    }
}

inline void EmitMessage(j_common_ptr info, int level) {
    if (level >= 0)
        return;  // trace messages
    JpegErrorTrap* trap = TrapOf(info);
    ++trap->warnings;
    const int code = info->err->msg_code;
    if (!info->is_decompressor || !IsCorruptData(code))
        return;
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    const int marker = decompress->unread_marker;
    if (code == JWRN_HIT_MARKER && (marker < JPEG_RST0 || marker > JPEG_RST0 + 7))
        trap->scanCut = true;
    else if (trap->corruptScan == 0)
        trap->corruptScan = decompress->input_scan_number > 0 ? decompress->input_scan_number : 1;
}

inline void OutputMessage(j_common_ptr) {}

}  // namespace jpeg_trap_detail

// Fills in the error manager for a compress or decompress object: assign the result to
// its `err` before jpeg_create_*.
inline jpeg_error_mgr* ArmJpegErrorTrap(JpegErrorTrap& trap) {
    jpeg_std_error(&trap.manager);
    trap.manager.error_exit = jpeg_trap_detail::ErrorExit;
    trap.manager.emit_message = jpeg_trap_detail::EmitMessage;
    trap.manager.output_message = jpeg_trap_detail::OutputMessage;
    return &trap.manager;
}

// The reason the last failed step gave.
inline const char* JpegTrapMessage(const JpegErrorTrap& trap) {
    return trap.ownMessage ? trap.ownMessage : trap.message;
}

// Runs step() with the error exit armed: true when it returned, false when libjpeg gave up.
template <typename Step>
bool RunJpegStep(JpegErrorTrap& trap, Step&& step) {
    if (setjmp(trap.jump))
        return false;
    step();
    return true;
}
