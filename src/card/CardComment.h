#pragma once
// Which of an image's comments carry cards: those that start with the mark "tSN".

#include <string_view>

inline constexpr std::string_view kCardMark = "tSN";

inline bool IsCardComment(std::string_view comment) {
    return comment.starts_with(kCardMark);
}
