#pragma once
// Files read and written whole. A write goes to a temporary file beside the
// target and is renamed over it, so that a failed write never leaves half a
// file where a good one was.

#include <string>

// Who may read a file written: as the umask leaves it, or everyone (0644),
// for a file that another user's service reads.
enum class FileReaders { AsUmask, Everyone };

// False with a message naming the path.
bool WriteFileReplacing(const std::string& path, const std::string& text, std::string& error,
                        FileReaders readers = FileReaders::AsUmask);
bool ReadWholeTextFile(const std::string& path, std::string& text, std::string& error);
