#pragma once
// Private-profile (ini) files with the semantics the program relies on:
// section and key names match without regard to case, a missing file, section
// or key reads as the default, and a write keeps every other line as it was.

#include <cstdint>

namespace platform {

// The key's value as an unsigned integer: leading decimal digits (or hex after
// "0x"); 0 when the value is negative or has no digits; the default when the
// file, the section or the key is missing.
uint32_t GetPrivateProfileInt(const char* section, const char* key, uint32_t defaultValue,
                              const char* path);

// Writes key=value into the section, creating the file, its folder, the section
// and the key as needed. False when the file cannot be written.
bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* path);

}  // namespace platform
