#pragma once
// The two-finger check: two targets on a diagonal, held at once and then
// moved apart. Two cameras that each see two fingers cannot tell the pair on
// one diagonal from the pair on the other, so a controller that guesses wrong
// reports the fingers at the other diagonal's corners (ghosts). The check
// also wants each contact to keep its slot (its id) while the fingers move.
// Not locked; nothing allocates.

#include <cstdint>
#include <optional>
#include <string>

#include "Checks/AccuracyCheck.h"

enum class TwoFingerVerdict {
    NotRun,        // the check was not offered or not finished
    Skipped,       // the controller is in a single-touch input mode
    Passed,        // two contacts at the targets, each kept its id moving apart
    Ghost,         // the two contacts came at the other diagonal's corners
    IdsSwapped,    // the contacts swapped ids while they moved
    OneContact,    // never two contacts at once
    NotAtTargets,  // two contacts, never both at the targets
    NotApart,      // held at the targets, not moved apart before the end
};
const char* TwoFingerVerdictKey(TwoFingerVerdict verdict);
std::optional<TwoFingerVerdict> TwoFingerVerdictFromKey(const std::string& key);
// The sentence the results show.
const char* TwoFingerVerdictText(TwoFingerVerdict verdict);

// The two targets as fractions of the screen, and where each finger moves to.
constexpr AccuracyPoint kTwoFingerTargets[2] = {{0.35, 0.35}, {0.65, 0.65}};
constexpr AccuracyPoint kTwoFingerApart[2] = {{0.2, 0.2}, {0.8, 0.8}};

class TwoFingerCheck {
public:
    // A contact counts as at a point within this share of the screen diagonal.
    static constexpr double kNearPercent = 6;
    // Moved apart: the contacts' distance grew by this share of where it started.
    static constexpr double kApartGrowth = 0.4;

    void Start(int widthPx, int heightPx);
    // One controller report: the contacts it holds (count 0..2, slot order),
    // each with its state (1 down, 2 move, 3 up) and position.
    void OnReport(int count, const uint8_t* states, const AccuracyPoint* at);
    // The technician moved on: a check not done yet says what it lacked.
    void Finish();

    bool Done() const { return verdict_ != TwoFingerVerdict::NotRun; }
    TwoFingerVerdict Verdict() const { return verdict_; }
    AccuracyPoint Target(int index) const { return targets_[index & 1]; }
    bool Holding() const { return holding_; }

private:
    bool Near(AccuracyPoint a, AccuracyPoint b) const;
    void Held(const AccuracyPoint* at);
    void Moving(const AccuracyPoint* at);

    AccuracyPoint targets_[2];
    double near_ = 20;
    bool sawTwo_ = false;
    bool heldOnce_ = false;
    bool holding_ = false;
    AccuracyPoint last_[2];
    double startDistance_ = 0;
    TwoFingerVerdict verdict_ = TwoFingerVerdict::NotRun;
};
