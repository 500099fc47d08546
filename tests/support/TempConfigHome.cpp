#include "tests/support/TempConfigHome.h"

#include <cstdlib>
#include <random>

#include "lib/Utils.h"

TempConfigHome::TempConfigHome() {
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() /
            ("t860-home-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(root_);
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME")) {
        hadXdg_ = true;
        savedXdg_ = xdg;
    }
    setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
    ResetDataFolderCacheForTest();
}

TempConfigHome::~TempConfigHome() {
    if (hadXdg_) {
        setenv("XDG_CONFIG_HOME", savedXdg_.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
    ResetDataFolderCacheForTest();
    std::error_code error;
    std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(root_, error);
}
