#pragma once
// Builds a line of text in a fixed buffer, for the report path where nothing
// may be allocated. Numbers are written with std::to_chars, which ignores the
// process locale: the toolkit takes the desktop's locale at start, and with
// it printf would write a comma for the decimal point on many desktops.

#include <algorithm>
#include <charconv>
#include <cstring>

class TextBuilder {
public:
    // Nothing is written past capacity - 1; the text is cut there instead.
    TextBuilder(char* buffer, int capacity) : begin_(buffer), end_(buffer + capacity - 1) {}

    void Integer(int value) { Append(std::to_chars(pos_, end_, value)); }
    // As "%.*f" would write it in the C locale.
    void Fixed(double value, int decimals) {
        Append(std::to_chars(pos_, end_, value, std::chars_format::fixed, decimals));
    }
    void Text(const char* text) {
        const size_t room = static_cast<size_t>(end_ - pos_);
        const size_t length = std::min(std::strlen(text), room);
        std::memcpy(pos_, text, length);
        pos_ += length;
    }
    // Ends the text with its terminating zero; returns its length.
    int Finish() {
        *pos_ = '\0';
        return static_cast<int>(pos_ - begin_);
    }

private:
    void Append(std::to_chars_result result) {
        if (result.ec == std::errc{}) {
            pos_ = result.ptr;
        }
    }

    char* const begin_;
    char* const end_;
    char* pos_ = begin_;
};
