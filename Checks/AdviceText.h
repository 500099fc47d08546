#pragma once
// Pieces of the mapping advice shared by every desktop's text: what has to
// change, and words a shell takes as they are.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "Checks/DesktopMapping.h"
#include "Checks/MappingAdvice.h"

// What the advice must achieve, worked out once from the verdict.
struct MappingFix {
    // The name of the screen the test ran on, as the session calls it.
    std::string Output;
    // The device must be mapped to Output (it is mapped to another area).
    bool MapToOutput = false;
    // The matrix that is left to set once the device is mapped to Output
    // (it is also turned); none when mapping alone does it.
    std::optional<AffineMap> AfterMapping;
    // The matrix that corrects the mapping as it is now, without mapping
    // the device anew; none where no matrix can.
    std::optional<AffineMap> AsMapped;
};

// One word for a POSIX shell: as it is when it holds only characters no
// shell treats specially, else in single quotes, inside which neither
// expansion nor interactive bash's history expansion ("!") happens.
std::string ShellWord(const std::string& text);
// A USB id as four lower-case hexadecimal digits, as sysfs writes it.
std::string HexId(uint16_t id);

// Each desktop's text for the fix; see MappingAdvice.
std::string X11Advice(const MappingFix& fix, const TouchscreenDevice& device);
std::string SwayAdvice(const MappingFix& fix, const TouchscreenDevice& device);
std::string GnomeAdvice(const MappingFix& fix, const TouchscreenDevice& device);
std::string KdeAdvice(const MappingFix& fix, const TouchscreenDevice& device);
std::string HyprlandAdvice(const MappingFix& fix, const TouchscreenDevice& device);
std::string LabwcAdvice(const MappingFix& fix, const TouchscreenDevice& device);
// A Wayland compositor named nowhere else: its own settings for the output,
// the udev property for a matrix.
std::string WaylandAdvice(const MappingFix& fix, const TouchscreenDevice& device);
// What one piece of the advice sets in the compositor's own terms: the
// output to map the touchscreen to (empty: left as it is) and the matrix.
struct TouchSettings {
    std::string Output;
    std::optional<AffineMap> Matrix;
};

// How a compositor takes the touchscreen's settings.
struct CompositorTerms {
    // Whether its own settings can carry this matrix; a matrix they cannot
    // goes to the udev property instead.
    std::function<bool(const AffineMap&)> TakesMatrix;
    // The text that sets the output and any matrix it takes.
    std::function<std::string(const TouchSettings&)> Write;
    // Said after a udev rule: what of the compositor's own would undo it.
    std::string UdevCaveat;
};

// The fix for a compositor that reads its touchscreens through libinput:
// mapped to the output with what is left set, or else the matrix for the
// mapping as it is now; each in the compositor's terms where it has them.
std::string CompositorAdvice(const MappingFix& fix, const TouchscreenDevice& device,
                             const CompositorTerms& terms);
// For a compositor whose own setting maps the device to an output: that
// setting's text, then any matrix through the udev property.
std::string LibinputCompositorAdvice(const std::string& mapToOutput, const MappingFix& fix,
                                     const TouchscreenDevice& device);
// The udev rule that gives the device a libinput calibration matrix, with
// the commands that make the desktop read it.
std::string UdevMatrixRule(const AffineMap& matrix, const TouchscreenDevice& device);
// For a desktop whose mapping is set in its own settings windows: where to map
// the touchscreen.
std::string MapInDesktopSettings(const std::string& output);
