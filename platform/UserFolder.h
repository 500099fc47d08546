#pragma once
// The per-user application-data folder and folder creation.

#include <string>

namespace platform {

// The user's configuration folder without a trailing separator. On Windows
// the roaming application-data folder; elsewhere $XDG_CONFIG_HOME when it is an
// absolute path, else $HOME/.config. Empty when it cannot be determined.
std::string GetAppDataFolder();

// The separator that ends a folder path on this platform.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// True when the path names an existing file or folder.
bool PathExists(const char* path);

// Creates the folder and every missing parent; true when it exists afterwards.
bool MakeSureDirectoryPathExists(const char* path);

}  // namespace platform
