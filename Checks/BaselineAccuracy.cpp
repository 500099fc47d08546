#include "Checks/BaselineAccuracy.h"

#include <filesystem>

#include "lib/Utils.h"

bool ReadLastAccuracy(std::optional<AccuracySummary>& accuracy, std::string& error) {
    accuracy.reset();
    char folder[kDataFolderCapacity];
    if (!GetDataFolder(folder, kDataFolderCapacity)) {
        return true;
    }
    const std::string path = std::string(folder) + kLastAccuracyFileName;
    std::error_code exists;
    if (!std::filesystem::exists(path, exists)) {
        return true;
    }
    AccuracySummary summary;
    if (!ReadAccuracySummary(path, summary, error)) {
        return false;
    }
    accuracy = std::move(summary);
    return true;
}
