#pragma once
// One-line reasons for tsn-dump's error messages.

#include <string>

// Why `path` cannot be opened for reading as a regular file.
std::string OpenFailureReason(const std::string& path);
