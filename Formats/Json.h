#pragma once
// A small JSON value with a writer that always produces valid JSON and a
// strict reader: one value, no comments, no trailing commas, no duplicate
// keys, well-formed UTF-8, nesting at most kMaxJsonDepth deep. Numbers are
// read and written without regard to the process locale.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

constexpr int kMaxJsonDepth = 64;

class JsonValue {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };
    using Member = std::pair<std::string, JsonValue>;

    JsonValue() = default;
    static JsonValue Bool(bool value);
    static JsonValue Number(double value);
    static JsonValue String(std::string value);
    static JsonValue Array();
    static JsonValue Object();

    Kind GetKind() const { return kind_; }
    bool IsNull() const { return kind_ == Kind::Null; }
    bool IsBool() const { return kind_ == Kind::Bool; }
    bool IsNumber() const { return kind_ == Kind::Number; }
    bool IsString() const { return kind_ == Kind::String; }
    bool IsArray() const { return kind_ == Kind::Array; }
    bool IsObject() const { return kind_ == Kind::Object; }

    bool AsBool() const { return bool_; }
    double AsNumber() const { return number_; }
    const std::string& AsString() const { return string_; }
    const std::vector<JsonValue>& Items() const { return items_; }
    const std::vector<Member>& Members() const { return members_; }

    // Arrays: appends. Objects: adds a member (a repeated key replaces the
    // earlier value, so a written object never holds a key twice).
    JsonValue& Append(JsonValue value);
    JsonValue& Set(const std::string& key, JsonValue value);
    // The member's value, or null when absent or this is not an object.
    const JsonValue* Find(std::string_view key) const;

    // Where a parsed value starts: "line L, column C" (columns count bytes), so
    // that a reader can say where a well-formed file holds a wrong value. Empty
    // for a value that was not parsed.
    std::string Where() const;
    void SetPosition(uint32_t line, uint32_t column);

private:
    Kind kind_ = Kind::Null;
    bool bool_ = false;
    double number_ = 0;
    std::string string_;
    std::vector<JsonValue> items_;
    std::vector<Member> members_;
    uint32_t line_ = 0;
    uint32_t column_ = 0;
};

// Indented by two spaces per level, ending with a line feed. A number that is
// not finite is written as null; a string's invalid UTF-8 bytes as U+FFFD.
std::string WriteJson(const JsonValue& value);

// False with a message naming the line and column of the first fault.
bool ParseJson(std::string_view text, JsonValue& value, std::string& error);

// Number text: integers without a fraction, other values as the shortest text
// that reads back to the same double.
std::string FormatJsonNumber(double value);
