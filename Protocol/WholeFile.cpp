#include "Protocol/WholeFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

bool WriteFileWhole(const std::string& path, const std::string& text, std::string& error) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << text;
        if (!file.flush()) {
            std::remove(temporary.c_str());
            error = "cannot write " + path;
            return false;
        }
    }
    std::error_code renameError;
    std::filesystem::rename(temporary, path, renameError);
    if (renameError) {
        std::remove(temporary.c_str());
        error = "cannot write " + path + ": " + renameError.message();
        return false;
    }
    return true;
}

bool ReadFileWhole(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}
