// Building a tree from the largest settings block it takes: 1001 records (91
// groups of 10 values), node list and tree widget, as each completed block
// and each echo does.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>
#include <cstdlib>
#include <vector>

#include "Painter/EasyTreeView.h"

namespace {

constexpr int kGroups = 91;
constexpr int kValuesPerGroup = 10;

struct LargeBlock {
    // Consecutive groups differ in their parentId, so each starts a group record.
    explicit LargeBlock(uint8_t firstGroup) {
        for (int group = 0; group < kGroups; ++group) {
            const auto parentId = static_cast<uint8_t>(firstGroup + 0x10 * (group % 14));
            for (int value = 0; value < kValuesPerGroup; ++value) {
                table.push_back(
                    {parentId, static_cast<uint8_t>(17 + value), SettingType::UINT16, 1});
                values.push_back(0x01);
                values.push_back(static_cast<uint8_t>(value));
            }
        }
        table.push_back({0, 0, 0, 0});
    }
    std::vector<SettingDescriptor> table;
    std::vector<uint8_t> values;
};

void Load(TEasyTree& tree, LargeBlock& block) {
    tree.LoadSettings(block.table.data(), block.values.data());
    tree.Refresh();
}

// Same structure each time: the texts are updated in place.
void BM_LoadSettingsAndRefresh(benchmark::State& state) {
    QTreeWidget widget;
    widget.resize(400, 600);
    widget.show();
    TEasyTree tree(&widget, true, 0);
    LargeBlock block(0x10);
    Load(tree, block);
    for (auto _ : state) {
        Load(tree, block);
    }
    if (tree.Nodes().size() != kGroups * (kValuesPerGroup + 1)) {
        state.SkipWithError("not 1001 records");
    }
}
BENCHMARK(BM_LoadSettingsAndRefresh)->Unit(benchmark::kMillisecond);

// Another structure each time: the tree widget is rebuilt.
void BM_LoadSettingsAndRebuild(benchmark::State& state) {
    QTreeWidget widget;
    widget.resize(400, 600);
    widget.show();
    TEasyTree tree(&widget, true, 0);
    LargeBlock first(0x10);
    LargeBlock second(0x20);
    second.table.erase(second.table.begin());  // one value fewer
    second.values.erase(second.values.begin(), second.values.begin() + 2);
    bool useFirst = true;
    for (auto _ : state) {
        Load(tree, useFirst ? first : second);
        useFirst = !useFirst;
    }
}
BENCHMARK(BM_LoadSettingsAndRebuild)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
