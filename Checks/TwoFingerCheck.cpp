#include "Checks/TwoFingerCheck.h"

#include <cmath>

namespace {

double Distance(AccuracyPoint a, AccuracyPoint b) {
    return std::hypot(a.X - b.X, a.Y - b.Y);
}

struct VerdictName {
    TwoFingerVerdict verdict;
    const char* key;
    const char* text;
};
constexpr VerdictName kVerdicts[] = {
    {TwoFingerVerdict::NotRun, "notRun", "Not run."},
    {TwoFingerVerdict::Skipped, "skipped",
     "Skipped: the controller is in a single-touch input mode."},
    {TwoFingerVerdict::Passed, "passed",
     "Two contacts at the targets; each kept its id while they moved apart."},
    {TwoFingerVerdict::Ghost, "ghost",
     "Ghosts: the two contacts came at the other diagonal's corners."},
    {TwoFingerVerdict::IdsSwapped, "idsSwapped",
     "The two contacts swapped their ids while they moved apart."},
    {TwoFingerVerdict::OneContact, "oneContact", "Never two contacts at once."},
    {TwoFingerVerdict::NotAtTargets, "notAtTargets",
     "Two contacts, but never both at the targets."},
    {TwoFingerVerdict::NotApart, "notApart", "Held at the targets, but not moved apart."},
};

}  // namespace

const char* TwoFingerVerdictKey(TwoFingerVerdict verdict) {
    for (const VerdictName& name : kVerdicts) {
        if (name.verdict == verdict) {
            return name.key;
        }
    }
    return kVerdicts[0].key;
}

const char* TwoFingerVerdictText(TwoFingerVerdict verdict) {
    for (const VerdictName& name : kVerdicts) {
        if (name.verdict == verdict) {
            return name.text;
        }
    }
    return kVerdicts[0].text;
}

std::optional<TwoFingerVerdict> TwoFingerVerdictFromKey(const std::string& key) {
    for (const VerdictName& name : kVerdicts) {
        if (key == name.key) {
            return name.verdict;
        }
    }
    return std::nullopt;
}

void TwoFingerCheck::Start(int widthPx, int heightPx) {
    for (int i = 0; i < 2; ++i) {
        targets_[i] = {kTwoFingerTargets[i].X * widthPx, kTwoFingerTargets[i].Y * heightPx};
    }
    near_ = std::hypot(static_cast<double>(widthPx), static_cast<double>(heightPx)) * kNearPercent /
            100;
    sawTwo_ = false;
    heldOnce_ = false;
    holding_ = false;
    verdict_ = TwoFingerVerdict::NotRun;
}

bool TwoFingerCheck::Near(AccuracyPoint a, AccuracyPoint b) const {
    return Distance(a, b) <= near_;
}

void TwoFingerCheck::OnReport(int count, const uint8_t* states, const AccuracyPoint* at) {
    if (Done() || count < 2) {
        return;
    }
    for (int i = 0; i < 2; ++i) {
        if (states[i] < 1 || states[i] > 2 || !std::isfinite(at[i].X) || !std::isfinite(at[i].Y)) {
            holding_ = false;  // a contact lifted: the pair starts over
            return;
        }
    }
    sawTwo_ = true;
    if (holding_) {
        Moving(at);
    } else {
        Held(at);
    }
}

void TwoFingerCheck::Held(const AccuracyPoint* at) {
    const AccuracyPoint ghosts[2] = {{targets_[1].X, targets_[0].Y},
                                     {targets_[0].X, targets_[1].Y}};
    const auto pairNear = [&](const AccuracyPoint* points) {
        return (Near(at[0], points[0]) && Near(at[1], points[1])) ||
               (Near(at[0], points[1]) && Near(at[1], points[0]));
    };
    if (pairNear(ghosts)) {
        verdict_ = TwoFingerVerdict::Ghost;
        return;
    }
    if (!pairNear(targets_)) {
        return;  // the fingers are still on their way
    }
    holding_ = true;
    heldOnce_ = true;
    last_[0] = at[0];
    last_[1] = at[1];
    startDistance_ = Distance(at[0], at[1]);
}

void TwoFingerCheck::Moving(const AccuracyPoint* at) {
    // A contact that is now nearer to where the other one was has taken its id.
    if (Distance(at[0], last_[1]) < Distance(at[0], last_[0]) &&
        Distance(at[1], last_[0]) < Distance(at[1], last_[1])) {
        verdict_ = TwoFingerVerdict::IdsSwapped;
        return;
    }
    last_[0] = at[0];
    last_[1] = at[1];
    if (Distance(at[0], at[1]) >= startDistance_ * (1 + kApartGrowth)) {
        verdict_ = TwoFingerVerdict::Passed;
    }
}

void TwoFingerCheck::Finish() {
    if (!Done()) {
        verdict_ = heldOnce_ ? TwoFingerVerdict::NotApart
                   : sawTwo_ ? TwoFingerVerdict::NotAtTargets
                             : TwoFingerVerdict::OneContact;
    }
}
