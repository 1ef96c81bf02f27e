#include "view/ProtocolText.h"

#include <cstdint>

std::string MonthName(int month) {
    static const char* const kNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (month < 1 || month > 12)
        return "???";
    return kNames[month - 1];
}

namespace {

std::string Left(const std::string& s, std::size_t n) {
    return s.substr(0, n);
}

std::string Right(const std::string& s, std::size_t n) {
    return n >= s.size() ? s : s.substr(s.size() - n);
}

// The byte at `index` as a signed 8-bit code; 0 past the end.
int SignedCodeAt(const std::string& s, std::size_t index) {
    return index < s.size() ? static_cast<std::int8_t>(s[index]) : 0;
}

}  // namespace

std::string TwoPartForm(const std::string& s) {
    return Left(s, 2) + "." + Right(s, 2);
}

std::string DateForm(const std::string& date) {
    int month = 10 * (SignedCodeAt(date, 2) - '0') + (SignedCodeAt(date, 3) - '0');
    return Left(date, 2) + " " + MonthName(month) + " " + Right(date, 4);
}
