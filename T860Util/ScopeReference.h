#pragma once
// A baseline's profiles drawn behind the scope's live curves as thin grey
// lines: for each camera box that is checked, the profile of the row kind the
// radio buttons choose, and with Trigger checked the camera's trigger profile.
// The grey lines change only when a baseline is loaded or a box or button is
// clicked; camera data never touch them.

#include <vector>

#include "Checks/BaselineFile.h"
#include "Protocol/ScopeChannels.h"
#include "T860Util/Camchart.h"

class TScopeReference {
public:
    // The grey of the reference lines.
    static const QColor kColour;

    explicit TScopeReference(TCamChart& chart) : chart_(chart) {}

    // Keeps the baseline's profiles and shows them as the selection says.
    void Load(const BaselineContent& baseline, const ScopeSelection& selection);
    void Clear();
    bool IsLoaded() const { return !profiles_.empty(); }
    // Follows the scope's boxes and buttons.
    void Show(const ScopeSelection& selection);

    // The grey line behind a chart line (0..7), or null before the first load
    // and for the lines of cameras 3 and 4.
    TFastLineSeries* LineBehind(int line) const;

private:
    void CreateLines();
    void ShowProfile(int line, const BaselineProfile* profile);

    TCamChart& chart_;
    std::vector<BaselineProfile> profiles_;
    std::array<TFastLineSeries*, TCamChart::kLineCount> lines_{};
};
