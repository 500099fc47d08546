#pragma once
// Every window of the program, made once per fuzzing process and all shown,
// as a technician would have them open while the controller talks. Device
// access runs against an empty virtual bus and is stopped at once, so that
// nothing but the harness feeds the windows; the harness runs on the window
// thread, where each hand-over is a direct call.

#include <cstddef>
#include <cstdint>

class TfrmMain;
class TfrmScope;
class TfrmSettingsView;
class TfrmXTest;

struct FuzzWindows {
    TfrmMain* main;
    TfrmXTest* touchTest;
    TfrmScope* scope;
    TfrmSettingsView* settingsView;
};

FuzzWindows& OpenEveryWindow();

// Selects the touch test that is drawn: X, Y or offscreen by the selector's value.
void SelectTouchTest(uint8_t selector);

// Lets the window thread paint what the reports asked to repaint.
void LetWindowsPaint();

// Copies a fuzzer report into a buffer of exactly its length, so that a read
// past the length is caught; lengths run past 64 to probe the length checks.
class ExactReport {
public:
    // Takes a length selector byte and up to 64 data bytes from the input.
    ExactReport(const uint8_t*& data, size_t& size);
    ~ExactReport();
    ExactReport(const ExactReport&) = delete;
    ExactReport& operator=(const ExactReport&) = delete;

    const uint8_t* Data() const { return bytes_; }
    int32_t Length() const { return length_; }

private:
    uint8_t* bytes_;
    int32_t length_;
};
