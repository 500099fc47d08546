#include "platform/IniFile.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/UserFolder.h"

namespace platform {

namespace {

std::string_view Trim(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') {
        return std::nullopt;
    }
    const size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(1, close - 1));
}

// The key of a "key=value" line, or nothing for any other line.
std::optional<std::string_view> KeyName(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';') {
        return std::nullopt;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(0, equals));
}

std::vector<std::string> SplitLines(const std::string& content) {
    std::vector<std::string> lines;
    std::string current;
    for (char c : content) {
        if (c == '\n') {
            lines.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty()) {
        lines.push_back(std::move(current));
    }
    return lines;
}

// Reads the whole file. Nothing when it does not exist; false when it exists
// but cannot be read.
bool ReadWholeFile(const char* path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        content.clear();
        return !PathExists(path);
    }
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

struct KeyLocation {
    bool sectionFound = false;
    size_t sectionEnd = 0;  // index after the section's last non-blank line
    std::optional<size_t> keyLine;
};

KeyLocation FindKey(const std::vector<std::string>& lines, std::string_view section,
                    std::string_view key) {
    KeyLocation where;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionName(lines[i])) {
            if (inSection) {
                return where;  // the first matching section is the one used
            }
            inSection = EqualNoCase(*name, section);
            if (inSection) {
                where.sectionFound = true;
                where.sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (!Trim(lines[i]).empty()) {
            where.sectionEnd = i + 1;
        }
        const auto name = KeyName(lines[i]);
        if (name && EqualNoCase(*name, key) && !where.keyLine) {
            where.keyLine = i;
        }
    }
    return where;
}

uint32_t ParseProfileInt(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '-') {
        return 0;
    }
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    uint32_t value = 0;  // wraps on overflow, as a 32-bit accumulator does
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c))) {
            digit = static_cast<unsigned>(std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
        } else {
            break;
        }
        value = value * base + digit;
    }
    return value;
}

}  // namespace

uint32_t GetPrivateProfileInt(const char* section, const char* key, uint32_t defaultValue,
                              const char* path) {
    std::string content;
    if (section == nullptr || key == nullptr || path == nullptr || !ReadWholeFile(path, content)) {
        return defaultValue;
    }
    const std::vector<std::string> lines = SplitLines(content);
    const KeyLocation where = FindKey(lines, section, key);
    if (!where.keyLine) {
        return defaultValue;
    }
    const std::string& line = lines[*where.keyLine];
    return ParseProfileInt(std::string_view(line).substr(line.find('=') + 1));
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* path) {
    if (section == nullptr || key == nullptr || value == nullptr || path == nullptr) {
        return false;
    }
    std::string content;
    if (!ReadWholeFile(path, content)) {
        return false;
    }
    // Lines keep their own ends; lines added take the file's CR LF if it has one.
    const std::string cr = content.find("\r\n") != std::string::npos ? "\r" : "";
    std::vector<std::string> lines = SplitLines(content);
    const std::string keyLine = std::string(key) + "=" + value + cr;

    const KeyLocation where = FindKey(lines, section, key);
    if (where.keyLine) {
        lines[*where.keyLine] = keyLine;
    } else if (where.sectionFound) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(where.sectionEnd), keyLine);
    } else {
        if (!lines.empty() && !Trim(lines.back()).empty()) {
            lines.push_back(cr);
        }
        lines.push_back(std::string(1, '[').append(section).append("]").append(cr));
        lines.push_back(keyLine);
    }

    const std::filesystem::path target(path);
    std::error_code error;
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), error);
    }
    // Write beside the file and rename over it, so that a failed write never
    // leaves a half-written file behind.
    const std::filesystem::path temporary = target.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        for (const std::string& line : lines) {
            out << line << '\n';
        }
        out.flush();
        if (!out) {
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

}  // namespace platform
