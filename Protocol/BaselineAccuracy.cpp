#include "Protocol/BaselineAccuracy.h"

#include <filesystem>

#include "Protocol/WholeFile.h"
#include "lib/Utils.h"

namespace {

bool SummaryFromJson(const JsonValue& root, BaselineAccuracy& accuracy) {
    const JsonValue* format = root.Find("format");
    const JsonValue* date = root.Find("date");
    const JsonValue* summary = root.Find("summary");
    if (format == nullptr || !format->IsString() || format->AsString() != "T860 accuracy" ||
        date == nullptr || !date->IsString() || summary == nullptr || !summary->IsObject()) {
        return false;
    }
    const auto number = [&](const char* key, double& out) {
        const JsonValue* value = summary->Find(key);
        out = value != nullptr && value->IsNumber() ? value->AsNumber() : out;
        return value != nullptr && value->IsNumber();
    };
    double targets = 0;
    const JsonValue* passed = summary->Find("passed");
    if (!number("largestOffsetPx", accuracy.largestOffsetPx) ||
        !number("meanOffsetPx", accuracy.meanOffsetPx) ||
        !number("largestJitterPx", accuracy.largestJitterPx) || !number("targets", targets) ||
        passed == nullptr || !passed->IsBool()) {
        return false;
    }
    accuracy.date = date->AsString();
    accuracy.targets = static_cast<int>(targets);
    accuracy.passed = passed->AsBool();
    return true;
}

}  // namespace

bool ReadLastAccuracy(std::optional<BaselineAccuracy>& accuracy, std::string& error) {
    accuracy.reset();
    char folder[kDataFolderCapacity];
    if (!GetDataFolder(folder, kDataFolderCapacity)) {
        return true;
    }
    const std::string path = std::string(folder) + "LastAccuracy.json";
    std::error_code exists;
    if (!std::filesystem::exists(path, exists)) {
        return true;
    }
    std::string text;
    JsonValue root;
    BaselineAccuracy read;
    if (!ReadFileWhole(path, text)) {
        error = "cannot read " + path;
        return false;
    }
    if (!ParseJson(text, root, error) || !SummaryFromJson(root, read)) {
        error = path + ": " + (error.empty() ? "not an accuracy result" : error);
        return false;
    }
    accuracy = read;
    return true;
}
