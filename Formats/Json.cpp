#include "Formats/Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace {

constexpr size_t kInlineWidth = 120;

// Length of the well-formed UTF-8 sequence at text[at], or 0 when it is not
// one (overlong forms, surrogates and values past U+10FFFF included).
size_t Utf8SequenceLength(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[at + i]); };
    const uint8_t first = byte(0);
    if (first < 0x80) {
        return 1;
    }
    size_t length;
    uint8_t low = 0x80;
    uint8_t high = 0xBF;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        low = first == 0xE0 ? 0xA0 : 0x80;
        high = first == 0xED ? 0x9F : 0xBF;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        low = first == 0xF0 ? 0x90 : 0x80;
        high = first == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void WriteString(std::string& out, std::string_view text) {
    out += '"';
    for (size_t at = 0; at < text.size();) {
        const char c = text[at];
        const size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++at;
            continue;
        }
        if (length > 1) {
            out.append(text, at, length);
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += c;
        }
        at += length;
    }
    out += '"';
}

bool IsContainer(const JsonValue& value) {
    return value.IsArray() || value.IsObject();
}

void WriteValue(std::string& out, const JsonValue& value, int depth);

// A container of scalars that fits a line is written on one line.
bool WriteInline(std::string& out, const JsonValue& value) {
    std::string line;
    const bool isArray = value.IsArray();
    line += isArray ? '[' : '{';
    const size_t count = isArray ? value.Items().size() : value.Members().size();
    for (size_t i = 0; i < count; ++i) {
        const JsonValue& child = isArray ? value.Items()[i] : value.Members()[i].second;
        if (IsContainer(child)) {
            return false;
        }
        if (i > 0) {
            line += ", ";
        }
        if (!isArray) {
            WriteString(line, value.Members()[i].first);
            line += ": ";
        }
        WriteValue(line, child, 0);
    }
    line += isArray ? ']' : '}';
    if (line.size() > kInlineWidth) {
        return false;
    }
    out += line;
    return true;
}

void WriteValue(std::string& out, const JsonValue& value, int depth) {
    switch (value.GetKind()) {
        case JsonValue::Kind::Null:
            out += "null";
            return;
        case JsonValue::Kind::Bool:
            out += value.AsBool() ? "true" : "false";
            return;
        case JsonValue::Kind::Number:
            out += FormatJsonNumber(value.AsNumber());
            return;
        case JsonValue::Kind::String:
            WriteString(out, value.AsString());
            return;
        case JsonValue::Kind::Array:
        case JsonValue::Kind::Object:
            break;
    }
    if (WriteInline(out, value)) {
        return;
    }
    const bool isArray = value.IsArray();
    const std::string indent(static_cast<size_t>(2 * (depth + 1)), ' ');
    out += isArray ? "[\n" : "{\n";
    const size_t count = isArray ? value.Items().size() : value.Members().size();
    for (size_t i = 0; i < count; ++i) {
        out += indent;
        if (isArray) {
            WriteValue(out, value.Items()[i], depth + 1);
        } else {
            WriteString(out, value.Members()[i].first);
            out += ": ";
            WriteValue(out, value.Members()[i].second, depth + 1);
        }
        out += i + 1 < count ? ",\n" : "\n";
    }
    out.append(static_cast<size_t>(2 * depth), ' ');
    out += isArray ? ']' : '}';
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    bool Parse(JsonValue& value, std::string& error) {
        const bool ok = CheckEncoding() && (SkipSpace(), ParseValue(value, 0)) &&
                        (SkipSpace(), AtEnd() || Fail("unexpected text after the value"));
        if (!ok) {
            error = Where() + ": " + error_;
        }
        return ok;
    }

private:
    bool AtEnd() const { return at_ >= text_.size(); }
    char Peek() const { return AtEnd() ? '\0' : text_[at_]; }

    bool Fail(const char* message) {
        error_ = AtEnd() ? std::string("the text ends early: ") + message : message;
        return false;
    }

    std::string Where() const {
        size_t line = 1;
        size_t column = 1;
        for (size_t i = 0; i < at_ && i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        return "line " + std::to_string(line) + ", column " + std::to_string(column);
    }

    bool CheckEncoding() {
        for (at_ = 0; at_ < text_.size();) {
            const size_t length = Utf8SequenceLength(text_, at_);
            if (length == 0) {
                return Fail("the text is not valid UTF-8");
            }
            at_ += length;
        }
        at_ = 0;
        return true;
    }

    void SkipSpace() {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) {
            if (Peek() == '\n') {
                ++line_;
                lineStart_ = at_ + 1;
            }
            ++at_;
        }
    }

    bool Literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) {
            return Fail("unknown word");
        }
        at_ += word.size();
        return true;
    }

    // Line feeds stand only between tokens, so the position is counted there.
    bool ParseValue(JsonValue& value, int depth) {
        const auto line = static_cast<uint32_t>(line_);
        const auto column = static_cast<uint32_t>(at_ - lineStart_ + 1);
        const bool parsed = ParseValueHere(value, depth);
        value.SetPosition(line, column);
        return parsed;
    }

    bool ParseValueHere(JsonValue& value, int depth) {
        if (depth > kMaxJsonDepth) {
            return Fail("nested too deeply");
        }
        switch (Peek()) {
            case '{':
                return ParseObject(value, depth);
            case '[':
                return ParseArray(value, depth);
            case '"': {
                std::string text;
                if (!ParseString(text)) {
                    return false;
                }
                value = JsonValue::String(std::move(text));
                return true;
            }
            case 't':
                value = JsonValue::Bool(true);
                return Literal("true");
            case 'f':
                value = JsonValue::Bool(false);
                return Literal("false");
            case 'n':
                value = JsonValue();
                return Literal("null");
            case '\0':
                return Fail(AtEnd() ? "a value was expected" : "unexpected character");
            default:
                return ParseNumber(value);
        }
    }

    bool ParseObject(JsonValue& value, int depth) {
        value = JsonValue::Object();
        ++at_;
        SkipSpace();
        if (Peek() == '}') {
            ++at_;
            return true;
        }
        for (;;) {
            if (Peek() != '"') {
                return Fail("a member name (a string) was expected");
            }
            std::string key;
            const size_t keyStart = at_;
            if (!ParseString(key)) {
                return false;
            }
            if (value.Find(key) != nullptr) {
                at_ = keyStart;
                return Fail("a member name occurs twice");
            }
            SkipSpace();
            if (Peek() != ':') {
                return Fail("':' was expected");
            }
            ++at_;
            SkipSpace();
            JsonValue member;
            if (!ParseValue(member, depth + 1)) {
                return false;
            }
            value.Set(key, std::move(member));
            SkipSpace();
            if (Peek() == '}') {
                ++at_;
                return true;
            }
            if (Peek() != ',') {
                return Fail("',' or '}' was expected");
            }
            ++at_;
            SkipSpace();
        }
    }

    bool ParseArray(JsonValue& value, int depth) {
        value = JsonValue::Array();
        ++at_;
        SkipSpace();
        if (Peek() == ']') {
            ++at_;
            return true;
        }
        for (;;) {
            JsonValue item;
            if (!ParseValue(item, depth + 1)) {
                return false;
            }
            value.Append(std::move(item));
            SkipSpace();
            if (Peek() == ']') {
                ++at_;
                return true;
            }
            if (Peek() != ',') {
                return Fail("',' or ']' was expected");
            }
            ++at_;
            SkipSpace();
        }
    }

    bool ParseHex4(uint32_t& code) {
        if (at_ + 4 > text_.size()) {
            return Fail("incomplete \\u escape");
        }
        const char* first = text_.data() + at_;
        const auto [end, ec] = std::from_chars(first, first + 4, code, 16);
        if (ec != std::errc() || end != first + 4) {
            return Fail("incomplete \\u escape");
        }
        at_ += 4;
        return true;
    }

    bool ParseEscape(std::string& out) {
        const char c = Peek();
        ++at_;
        switch (c) {
            case '"':
            case '\\':
            case '/':
                out += c;
                return true;
            case 'b':
                out += '\b';
                return true;
            case 'f':
                out += '\f';
                return true;
            case 'n':
                out += '\n';
                return true;
            case 'r':
                out += '\r';
                return true;
            case 't':
                out += '\t';
                return true;
            case 'u':
                break;
            default:
                --at_;
                return Fail("unknown escape");
        }
        uint32_t code = 0;
        if (!ParseHex4(code)) {
            return false;
        }
        if (code >= 0xDC00 && code <= 0xDFFF) {
            return Fail("a low surrogate without a high one");
        }
        if (code >= 0xD800 && code <= 0xDBFF) {
            uint32_t low = 0;
            if (text_.substr(at_, 2) != "\\u" || (at_ += 2, !ParseHex4(low)) || low < 0xDC00 ||
                low > 0xDFFF) {
                return Fail("a high surrogate without a low one");
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, code);
        return true;
    }

    bool ParseString(std::string& out) {
        ++at_;  // the opening quote
        for (;;) {
            if (AtEnd()) {
                return Fail("a string is not closed");
            }
            const char c = text_[at_];
            if (c == '"') {
                ++at_;
                return true;
            }
            if (static_cast<uint8_t>(c) < 0x20) {
                return Fail("a control character inside a string");
            }
            ++at_;
            if (c == '\\') {
                if (!ParseEscape(out)) {
                    return false;
                }
            } else {
                out += c;
            }
        }
    }

    bool ParseNumber(JsonValue& value) {
        const size_t start = at_;
        const auto digits = [&] {
            const size_t from = at_;
            while (Peek() >= '0' && Peek() <= '9') {
                ++at_;
            }
            return at_ - from;
        };
        if (Peek() == '-') {
            ++at_;
        }
        if (Peek() == '0') {
            ++at_;
        } else if (digits() == 0) {
            return Fail("unexpected character");
        }
        if (Peek() == '.') {
            ++at_;
            if (digits() == 0) {
                return Fail("digits must follow the decimal point");
            }
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++at_;
            if (Peek() == '+' || Peek() == '-') {
                ++at_;
            }
            if (digits() == 0) {
                return Fail("digits must follow the exponent");
            }
        }
        double number = 0;
        const auto [end, ec] = std::from_chars(text_.data() + start, text_.data() + at_, number);
        if (ec != std::errc() || end != text_.data() + at_ || !std::isfinite(number)) {
            at_ = start;
            return Fail("the number is out of range");
        }
        value = JsonValue::Number(number);
        return true;
    }

    std::string_view text_;
    size_t at_ = 0;
    size_t line_ = 1;
    size_t lineStart_ = 0;
    std::string error_;
};

}  // namespace

JsonValue JsonValue::Bool(bool value) {
    JsonValue v;
    v.kind_ = Kind::Bool;
    v.bool_ = value;
    return v;
}

JsonValue JsonValue::Number(double value) {
    JsonValue v;
    v.kind_ = Kind::Number;
    v.number_ = value;
    return v;
}

JsonValue JsonValue::String(std::string value) {
    JsonValue v;
    v.kind_ = Kind::String;
    v.string_ = std::move(value);
    return v;
}

JsonValue JsonValue::Array() {
    JsonValue v;
    v.kind_ = Kind::Array;
    return v;
}

JsonValue JsonValue::Object() {
    JsonValue v;
    v.kind_ = Kind::Object;
    return v;
}

JsonValue& JsonValue::Append(JsonValue value) {
    items_.push_back(std::move(value));
    return items_.back();
}

JsonValue& JsonValue::Set(const std::string& key, JsonValue value) {
    for (Member& member : members_) {
        if (member.first == key) {
            member.second = std::move(value);
            return member.second;
        }
    }
    members_.emplace_back(key, std::move(value));
    return members_.back().second;
}

const JsonValue* JsonValue::Find(std::string_view key) const {
    for (const Member& member : members_) {
        if (member.first == key) {
            return &member.second;
        }
    }
    return nullptr;
}

std::string JsonValue::Where() const {
    if (line_ == 0) {
        return {};
    }
    return "line " + std::to_string(line_) + ", column " + std::to_string(column_);
}

void JsonValue::SetPosition(uint32_t line, uint32_t column) {
    line_ = line;
    column_ = column;
}

std::string FormatJsonNumber(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return ec == std::errc() ? std::string(text, end) : "null";
}

std::string WriteJson(const JsonValue& value) {
    std::string out;
    WriteValue(out, value, 0);
    out += '\n';
    return out;
}

bool ParseJson(std::string_view text, JsonValue& value, std::string& error) {
    return Parser(text).Parse(value, error);
}
