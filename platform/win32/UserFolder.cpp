#include "platform/UserFolder.h"

#include "platform/win32/Windows.h"

#include <dbghelp.h>
#include <shlobj.h>

namespace platform {

std::string GetAppDataFolder() {
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return {};
    }
    return path;
}

bool PathExists(const char* path) {
    return path != nullptr && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool MakeSureDirectoryPathExists(const char* path) {
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    // The system call creates the folders up to the last separator only, so a
    // path that names its last folder without one gets it added.
    std::string folder(path);
    if (folder.back() != '\\' && folder.back() != '/') {
        folder.push_back('\\');
    }
    ::MakeSureDirectoryPathExists(folder.c_str());
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace platform
