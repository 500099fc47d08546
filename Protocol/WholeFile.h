#pragma once
// Files read and written whole. A write goes to a file beside the target and
// is renamed over it, so that a failed write never leaves half a file where a
// good one was.

#include <string>

// False with the reason in error; the target is then as it was.
bool WriteFileWhole(const std::string& path, const std::string& text, std::string& error);
// False when the file cannot be opened or read.
bool ReadFileWhole(const std::string& path, std::string& text);
