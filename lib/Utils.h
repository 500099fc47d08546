#pragma once
// The per-user data folder and the saved device identity.

#include <cstdint>

// Every caller passes this capacity.
constexpr uint32_t kDataFolderCapacity = 260;

// Writes the data folder path (ending with the separator) into buffer and makes
// sure the folder exists. False when the path cannot be built or does not fit.
bool GetDataFolder(char* buffer, uint32_t capacity);

// Reads the identity saved in "XlateLib.ini"; a missing file or key gives the
// default. False only when the data folder path cannot be built, and then the
// outputs are left untouched.
bool ReadDeviceIdentity(uint16_t& vendor, uint16_t& product);

// Saves the identity; true when both keys were written.
bool WriteDeviceIdentity(uint16_t vendor, uint16_t product);

// The application-data path is cached for the whole process; tests that point
// HOME elsewhere clear the cache with this.
void ResetDataFolderCacheForTest();
