#pragma once
// What a command prints: named fields shown as "Label: value" lines, or as one
// JSON object with --json.

#include <string>
#include <vector>

#include "Formats/Json.h"

class CtlFields {
public:
    CtlFields& Add(const char* key, const char* label, JsonValue value);
    CtlFields& Add(const char* key, const char* label, const std::string& text);
    // JSON gets the value, the text the words given.
    CtlFields& Add(const char* key, const char* label, JsonValue value, const std::string& text);
    // Another section's fields, after these.
    CtlFields& Append(const CtlFields& other);

    std::string Text() const;
    JsonValue Json() const;
    // Text() or the JSON object.
    std::string Output(bool json) const;

private:
    struct Field {
        std::string key;
        std::string label;
        JsonValue value;
        std::string text;
    };
    std::vector<Field> fields_;
};

// A scalar as a person reads it: strings as they are, true/false as yes/no.
std::string ScalarText(const JsonValue& value);

// "0x0020"
std::string HexText(uint32_t value, int digits);
