// The settings view with its window shown. The first byte chooses what is fed:
// even, settings reports of either channel (chunks that build a block, echoes
// that rewrite one value), each a channel byte, a length selector and 64
// bytes; odd, a whole 1024-byte buffer loaded into a tree as a block, from a
// descriptor table and a value area anywhere inside it (two 16-bit offsets
// first), then refreshed.

#include <QTreeWidget>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "Painter/EasyTreeView.h"
#include "T860Util/SettingsView.h"
#include "fuzz/EveryWindow.h"
#include "fuzz/ExactReport.h"

namespace {

void FeedReports(const uint8_t* data, size_t size) {
    while (size > 0) {
        TSettingsChannel& channel = (*data++ & 1) != 0 ? SettingsChannel6 : SettingsChannel0;
        --size;
        const ExactReport report(data, size);
        OnSettingsReport(channel, report.Data(), report.Length());
    }
}

void LoadBlock(const uint8_t* data, size_t size) {
    static QTreeWidget* widget = [] {
        auto* tree = new QTreeWidget;
        tree->show();
        return tree;
    }();
    static TEasyTree* tree = new TEasyTree(widget, true, 0);
    if (size < 4) {
        return;
    }
    // Where the table and the values begin in the buffer, 16 bits each.
    const size_t tableOffset = (data[0] << 8 | data[1]) % kSettingsDataSize;
    const size_t valuesOffset = (data[2] << 8 | data[3]) % kSettingsDataSize;
    data += 4;
    size -= 4;
    auto* block = static_cast<uint8_t*>(std::malloc(kSettingsDataSize));
    std::memset(block, 0, kSettingsDataSize);
    std::memcpy(block, data, std::min(size, static_cast<size_t>(kSettingsDataSize)));
    tree->LoadSettings(reinterpret_cast<const SettingDescriptor*>(block + tableOffset),
                       block + valuesOffset, block + kSettingsDataSize);
    tree->Refresh();
    // The tree points into the block; it must not outlive it.
    tree->LoadSettings(nullptr, nullptr);
    std::free(block);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    OpenEveryWindow();
    if (size == 0) {
        return 0;
    }
    if ((*data & 1) == 0) {
        FeedReports(data + 1, size - 1);
    } else {
        LoadBlock(data + 1, size - 1);
    }
    LetWindowsPaint();
    return 0;
}
