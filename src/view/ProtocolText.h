#pragma once
// Text forms of the protocol details: versions as "01.10", dates as "06 Dec 2026".

#include <string>

// "Jan" to "Dec" for 1 to 12; "???" for anything else.
std::string MonthName(int month);

// The first two characters, ".", the last two (the whole string when shorter).
std::string TwoPartForm(const std::string& s);

// A DDMMYYYY date as day, month name and year. The month comes from the third and
// fourth bytes as signed codes minus '0', a missing byte counting as 0, so any
// pair whose arithmetic lands on 1 to 12 names a month.
std::string DateForm(const std::string& date);
