#pragma once
// A German desktop's number format, as the toolkit takes it from the desktop
// at start, for the length of one test.

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

namespace t860test {

class CommaLocale {
public:
    CommaLocale() : previous_(std::setlocale(LC_NUMERIC, nullptr)) {
        // The same locale under the names of the C libraries we build with.
        for (const char* name : {"de_DE.UTF-8", "German_Germany.1252", "German", "de-DE"}) {
            if (std::setlocale(LC_NUMERIC, name) != nullptr) {
                active_ = true;
                break;
            }
        }
    }
    ~CommaLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    // True when printf now writes a decimal comma.
    bool Active() const {
        char text[16];
        std::snprintf(text, sizeof text, "%f", 1.5);
        return active_ && std::strchr(text, ',') != nullptr;
    }

private:
    std::string previous_;
    bool active_ = false;
};

}  // namespace t860test
