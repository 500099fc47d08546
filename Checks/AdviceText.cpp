#include "Checks/AdviceText.h"

#include <cstdio>
#include <cstring>

std::string ShellWord(const std::string& text) {
    constexpr const char* kPlain =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_@%+=:,./-";
    bool plain = !text.empty();
    for (char c : text) {
        plain = plain && c != '\0' && std::strchr(kPlain, c) != nullptr;
    }
    if (plain) {
        return text;
    }
    // A single quote cannot stand inside single quotes: end them, give it
    // escaped, and open them again.
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string HexId(uint16_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", id);
    return text;
}
