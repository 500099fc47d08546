#include "t860ctl/CtlOutput.h"

#include <cstdio>

CtlFields& CtlFields::Add(const char* key, const char* label, JsonValue value) {
    std::string text = ScalarText(value);
    return Add(key, label, std::move(value), text);
}

CtlFields& CtlFields::Add(const char* key, const char* label, JsonValue value,
                          const std::string& text) {
    fields_.push_back({key, label, std::move(value), text});
    return *this;
}

CtlFields& CtlFields::Append(const CtlFields& other) {
    fields_.insert(fields_.end(), other.fields_.begin(), other.fields_.end());
    return *this;
}

CtlFields& CtlFields::Add(const char* key, const char* label, const std::string& text) {
    return Add(key, label, JsonValue::String(text));
}

std::string CtlFields::Text() const {
    std::string text;
    for (const Field& field : fields_) {
        text += field.label + ": " + field.text + "\n";
    }
    return text;
}

JsonValue CtlFields::Json() const {
    JsonValue object = JsonValue::Object();
    for (const Field& field : fields_) {
        object.Set(field.key, field.value);
    }
    return object;
}

std::string CtlFields::Output(bool json) const {
    return json ? WriteJson(Json()) : Text();
}

std::string ScalarText(const JsonValue& value) {
    switch (value.GetKind()) {
        case JsonValue::Kind::String:
            return value.AsString();
        case JsonValue::Kind::Bool:
            return value.AsBool() ? "yes" : "no";
        case JsonValue::Kind::Number:
            return FormatJsonNumber(value.AsNumber());
        case JsonValue::Kind::Null:
            return "-";
        default: {
            // Lists of scalars read as one line.
            std::string text;
            for (const JsonValue& item : value.Items()) {
                text += (text.empty() ? "" : ", ") + ScalarText(item);
            }
            return text;
        }
    }
}

std::string HexText(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}
