#pragma once
// The packet log: one comma-separated line per X multitouch packet, written on
// channel 6's read thread while the window thread opens and closes the file.
// One lock covers the file: a line is never written while the file is being
// closed, and never to a closed file.

#include <cstdio>
#include <mutex>
#include <string>

#include "Protocol/TouchPackets.h"

class TPacketLog {
public:
    TPacketLog() = default;
    TPacketLog(const TPacketLog&) = delete;
    TPacketLog& operator=(const TPacketLog&) = delete;
    ~TPacketLog() { Stop(); }

    // Creates or truncates the file and starts logging; false when the file
    // cannot be opened (logging stays off). Any earlier file is closed first.
    bool Start(const std::string& path);
    void Stop();
    bool IsOn() const;

    // Writes the packet's line when logging is on; coordinates in device units.
    void Write(const XPacket& packet);

    // The line as written, CR LF included; buffer holds kLineCapacity.
    static constexpr int kLineCapacity = 256;
    static int FormatLine(const XPacket& packet, char* buffer, int capacity);

private:
    mutable std::mutex lock_;
    std::FILE* file_ = nullptr;  // guarded by lock_; open while logging
};
