#include "Formats/WholeFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

bool WriteFileReplacing(const std::string& path, const std::string& text, std::string& error,
                        FileReaders readers) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << text;
        if (!file.flush()) {
            file.close();
            std::remove(temporary.c_str());
            error = "cannot write " + path;
            return false;
        }
    }
    if (readers == FileReaders::Everyone) {
        namespace fs = std::filesystem;
        std::error_code modeError;
        fs::permissions(temporary,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                            fs::perms::others_read,
                        modeError);
        if (modeError) {
            std::remove(temporary.c_str());
            error = "cannot write " + path + ": " + modeError.message();
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

bool ReadWholeTextFile(const std::string& path, std::string& text, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        error = "cannot read " + path;
        return false;
    }
    text = std::move(content);
    return true;
}
