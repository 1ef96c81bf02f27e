#pragma once
// libjpeg reports a fatal error through error_exit, which must not return. The trap
// turns that call into a jump back to RunJpegStep, which then returns false with the
// library's one-line message. Warnings never stop the work; the trap only counts them
// and remembers whether the data ran out early.
//
// The jump skips the frames between the step and RunJpegStep, so a step keeps only
// trivially destructible locals (no std::string, no vector): everything it fills lives
// in the caller.

#include <csetjmp>
#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jerror.h>
#include <jpeglib.h>

struct JpegErrorTrap {
    jpeg_error_mgr manager;  // first member: libjpeg hands back a pointer to it
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
    const char* ownMessage = nullptr;  // set by a caller that aborts on its own account
    int warnings = 0;
    bool ranOutOfData = false;  // the source ended before the picture did
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

inline void EmitMessage(j_common_ptr info, int level) {
    if (level >= 0)
        return;  // trace messages
    JpegErrorTrap* trap = TrapOf(info);
    ++trap->warnings;
    if (info->err->msg_code == JWRN_JPEG_EOF)
        trap->ranOutOfData = true;
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
