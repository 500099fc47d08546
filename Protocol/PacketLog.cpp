#include "Protocol/PacketLog.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

// Appends to a fixed buffer, keeping track of the end; nothing is written past
// the capacity (the line is cut there instead).
class LineBuilder {
public:
    LineBuilder(char* buffer, int capacity) : begin_(buffer), end_(buffer + capacity - 1) {}

    void Integer(int value) { Append(std::to_chars(pos_, end_, value)); }
    // "%1.4f", always with a point: the file is comma-separated, so the
    // user's locale must not turn the decimal point into a comma.
    void Fixed4(float value) {
        Append(std::to_chars(pos_, end_, value, std::chars_format::fixed, 4));
    }
    void Text(const char* text) {
        const size_t room = static_cast<size_t>(end_ - pos_);
        const size_t length = std::min(std::strlen(text), room);
        std::memcpy(pos_, text, length);
        pos_ += length;
    }
    int Finish() {
        *pos_ = '\0';
        return static_cast<int>(pos_ - begin_);
    }

private:
    void Append(std::to_chars_result result) {
        if (result.ec == std::errc{}) {
            pos_ = result.ptr;
        }
    }

    char* const begin_;
    char* const end_;
    char* pos_ = begin_;
};

void Record(LineBuilder& line, const XTouchRecord& touch, bool last) {
    line.Integer(touch.State);
    line.Text(",");
    line.Fixed4(touch.X);
    line.Text(",");
    line.Fixed4(touch.Y);
    line.Text(",");
    line.Integer(touch.Width);
    line.Text(",");
    line.Integer(touch.Height);
    line.Text(last ? "\r\n" : ",");
}

}  // namespace

int TPacketLog::FormatLine(const XPacket& packet, char* buffer, int capacity) {
    LineBuilder line(buffer, capacity);
    line.Integer(packet.LogCount());
    line.Text(",");
    Record(line, packet.Touch[0], false);
    Record(line, packet.Touch[1], true);
    return line.Finish();
}

bool TPacketLog::Start(const std::string& path) {
    // Binary mode, so that the CR LF line ends are the same on every platform.
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::lock_guard<std::mutex> guard(lock_);
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    file_ = file;
    return file_ != nullptr;
}

void TPacketLog::Stop() {
    std::lock_guard<std::mutex> guard(lock_);
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

bool TPacketLog::IsOn() const {
    std::lock_guard<std::mutex> guard(lock_);
    return file_ != nullptr;
}

void TPacketLog::Write(const XPacket& packet) {
    char line[kLineCapacity];
    const int length = FormatLine(packet, line, kLineCapacity);
    std::lock_guard<std::mutex> guard(lock_);
    if (file_ != nullptr) {
        std::fwrite(line, 1, static_cast<size_t>(length), file_);
    }
}
