#include "Protocol/PacketLog.h"

#include "Protocol/TextBuilder.h"

namespace {

void Record(TextBuilder& line, const XTouchRecord& touch, bool last) {
    line.Integer(touch.State);
    line.Text(",");
    // "%1.4f", always with a point: the file is comma-separated.
    line.Fixed(touch.X, 4);
    line.Text(",");
    line.Fixed(touch.Y, 4);
    line.Text(",");
    line.Integer(touch.Width);
    line.Text(",");
    line.Integer(touch.Height);
    line.Text(last ? "\r\n" : ",");
}

}  // namespace

int TPacketLog::FormatLine(const XPacket& packet, char* buffer, int capacity) {
    TextBuilder line(buffer, capacity);
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
