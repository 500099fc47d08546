#include "tests/support/TempConfigHome.h"

#include <cstdlib>
#include <random>

#include "lib/Utils.h"

#ifdef _WIN32
#include "platform/win32/Windows.h"
#endif

namespace {

#ifdef _WIN32
// The application-data folder is a per-user setting of the system, shared by
// every test process that runs at the same time: one redirects it at a time.
constexpr char kExclusiveName[] = "Local\\T860TempConfigHome";
constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr char kAppData[] = "AppData";

bool ReadShellFolder(std::string& value) {
    char text[MAX_PATH];
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_CURRENT_USER, kShellFolders, kAppData,
                     RRF_RT_REG_EXPAND_SZ | RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, text,
                     &size) != ERROR_SUCCESS) {
        return false;
    }
    value = text;
    return true;
}

void WriteShellFolder(const std::string& value) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kShellFolders, kAppData, REG_EXPAND_SZ, value.c_str(),
                    static_cast<DWORD>(value.size() + 1));
}
#endif

}  // namespace

TempConfigHome::TempConfigHome() {
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() /
            ("t860-home-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(root_);
    Redirect();
    ResetDataFolderCacheForTest();
}

TempConfigHome::~TempConfigHome() {
    Restore();
    ResetDataFolderCacheForTest();
    std::error_code error;
    std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(root_, error);
}

#ifdef _WIN32

void TempConfigHome::Redirect() {
    exclusive_ = CreateMutexA(nullptr, FALSE, kExclusiveName);
    WaitForSingleObject(static_cast<HANDLE>(exclusive_), INFINITE);
    hadSaved_ = ReadShellFolder(saved_);
    WriteShellFolder(root_.string());
}

void TempConfigHome::Restore() {
    if (hadSaved_) {
        WriteShellFolder(saved_);
    } else {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kShellFolders, kAppData);
    }
    ReleaseMutex(static_cast<HANDLE>(exclusive_));
    CloseHandle(static_cast<HANDLE>(exclusive_));
}

#else

void TempConfigHome::Redirect() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME")) {
        hadSaved_ = true;
        saved_ = xdg;
    }
    setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
}

void TempConfigHome::Restore() {
    if (hadSaved_) {
        setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}

#endif
