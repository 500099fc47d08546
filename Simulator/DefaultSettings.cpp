// The factory settings of the two channels. Channel 6 holds the touch
// processing of the first camera pair, channel 0 the host side (mouse
// emulation, gestures) and the second camera pair; each uses every type code.

#include "Simulator/SettingsBlocks.h"

namespace {

enum Group : uint8_t {
    kMy = 0x10,
    kPanel = 0x20,
    kCam0 = 0x30,
    kCam1 = 0x40,
    kCam2 = 0x50,
    kCam3 = 0x60,
    kCalibration = 0x70,
    kNearField = 0x80,
    kBorder = 0x90,
    kFilters = 0xA0,
    kBackPropagation = 0xB0,
    kDiameterThreshold = 0xC0,
    kDragThreshold = 0xD0,
    kMouse = 0xE0,
};

constexpr SettingSpec kChannel6Settings[] = {
    {kMy, 17, kTypeUInt32, 86012345},         // SerialNumber
    {kMy, 18, kTypeUInt16, 860},              // ModelNumber
    {kMy, 19, kTypeUInt16, 0x030C},           // FirmwareVersion
    {kMy, 20, kTypeUInt32, 20240311},         // FactoryDate
    {kMy, 22, kTypeUInt8, 0},                 // ReworkCount
    {kMy, 25, kTypeUInt8, 3},                 // Protocol
    {kMy, 115, kTypeUInt16, 0x0020},          // ReportMode
    {kMy, 142, kTypeUInt8, 0},                // OffscreenMode
    {kPanel, 34, kTypeUInt16, 32767},         // X
    {kPanel, 35, kTypeUInt16, 32767},         // Y
    {kPanel, 120, kTypeSInt16, -12},          // Left
    {kPanel, 121, kTypeSInt16, -8},           // Top
    {kPanel, 122, kTypeSInt16, 12},           // Right
    {kPanel, 123, kTypeSInt16, 8},            // Bottom
    {kPanel, 75, kTypeUInt8, 2},              // NumberOfCameras
    {kPanel, 84, kTypeUInt16, 512},           // TotalPixels
    {kPanel, 90, kTypeSInt8, -1},             // CamOrientation
    {kCam0, 36, kTypeUInt16, 420},            // Shutter0
    {kCam0, 37, kTypeUInt16, 380},            // Shutter1
    {kCam0, 106, kTypeUInt8, 12},             // Gain
    {kCam0, 38, kTypeFloat, 44.75},           // Angle
    {kCam0, 39, kTypeFloat, 1.25},            // Aperture0
    {kCam0, 41, kTypeFloat, 0.00125},         // Coeff0
    {kCam0, 42, kTypeFloat, -0.5},            // Coeff1
    {kCam0, 43, kTypeFloat, 3.5},             // Coeff2
    {kCam0, 107, kTypeSInt16, -40},           // ThresholdFloor
    {kCam0, 114, kTypeUInt16, 7},             // CornerPixel
    {kCam0, 86, kTypeSInt8, 4},               // Cam_Edges
    {kCam1, 36, kTypeUInt16, 415},            // Shutter0
    {kCam1, 37, kTypeUInt16, 377},            // Shutter1
    {kCam1, 106, kTypeUInt8, 11},             // Gain
    {kCam1, 38, kTypeFloat, 45.5},            // Angle
    {kCam1, 39, kTypeFloat, 1.3},             // Aperture0
    {kCam1, 41, kTypeFloat, 0.0012},          // Coeff0
    {kCam1, 42, kTypeFloat, -0.48},           // Coeff1
    {kCam1, 43, kTypeFloat, 3.45},            // Coeff2
    {kCam1, 107, kTypeSInt16, -36},           // ThresholdFloor
    {kCam1, 114, kTypeUInt16, 504},           // CornerPixel
    {kCam1, 86, kTypeSInt8, -3},              // Cam_Edges
    {kCalibration, 58, kTypeUInt8, 4},        // NumberOfCalibrationPoints
    {kCalibration, 59, kTypeSInt32, 1638},    // From0X
    {kCalibration, 60, kTypeSInt32, 1638},    // From0Y
    {kCalibration, 61, kTypeSInt32, 31129},   // From1X
    {kCalibration, 62, kTypeSInt32, 1638},    // From1Y
    {kCalibration, 67, kTypeFloat, 1702.5},   // To0X
    {kCalibration, 68, kTypeFloat, 1590.25},  // To0Y
    {kCalibration, 69, kTypeFloat, 31011.0},  // To1X
    {kCalibration, 70, kTypeFloat, 1655.75},  // To1Y
    {kCalibration, 92, kTypeUInt8, 2},        // Cal_Strokes
    {kFilters, 102, kTypeSInt8, -6},          // Hysteresis
    {kFilters, 29, kTypeSInt32, -250},        // DeadBand
    {kFilters, 30, kTypeUInt16, 3},           // Integration
    {kFilters, 141, kTypeUInt32, 50000},      // AmbientRate
    {kFilters, 145, kTypeUInt8, 1},           // AmbientSubtraction
    {kFilters, 77, kTypeFloat, 62.5},         // ThresholdPercent
    {kBorder, 120, kTypeSInt16, -200},        // Left
    {kBorder, 121, kTypeSInt16, -150},        // Top
    {kBorder, 122, kTypeSInt16, 200},         // Right
    {kBorder, 123, kTypeSInt16, 150},         // Bottom
};

constexpr SettingSpec kChannel0Settings[] = {
    {kMy, 135, kTypeUInt8, 3},                     // VersionMajor
    {kMy, 136, kTypeUInt8, 12},                    // VersionMinor
    {kMy, 137, kTypeUInt16, 4},                    // VersionRelease
    {kMy, 138, kTypeUInt32, 1187},                 // VersionBuild
    {kMy, 24, kTypeUInt32, 0x5A17C3E9},            // UniqueID
    {kMy, 88, kTypeUInt8, 0},                      // Serial_Mode
    {kMy, 89, kTypeUInt32, 115200},                // BaudRate
    {kMy, 139, kTypeSInt8, 1},                     // StatusLED
    {kPanel, 34, kTypeUInt16, 1920},               // X
    {kPanel, 35, kTypeUInt16, 1080},               // Y
    {kPanel, 87, kTypeUInt16, 0x0860},             // Hardware
    {kPanel, 76, kTypeFloat, 2.8},                 // FocalLength
    {kCam2, 105, kTypeUInt16, 400},                // Shutter
    {kCam2, 106, kTypeUInt8, 10},                  // Gain
    {kCam2, 38, kTypeFloat, 44.9},                 // Angle
    {kCam2, 112, kTypeSInt16, 96},                 // LED0Separation
    {kCam2, 113, kTypeSInt16, -96},                // LED1Separation
    {kCam2, 140, kTypeUInt32, 0x00FF00FF},         // PixelMap
    {kCam3, 105, kTypeUInt16, 395},                // Shutter
    {kCam3, 106, kTypeUInt8, 10},                  // Gain
    {kCam3, 38, kTypeFloat, 45.1},                 // Angle
    {kCam3, 112, kTypeSInt16, 94},                 // LED0Separation
    {kCam3, 113, kTypeSInt16, -98},                // LED1Separation
    {kCam3, 140, kTypeUInt32, 0x00FF00FF},         // PixelMap
    {kMouse, 93, kTypeUInt16, 1500},               // RightClickDelay
    {kMouse, 94, kTypeUInt16, 500},                // DoubleClickTime
    {kMouse, 95, kTypeUInt8, 8},                   // DragThreshold
    {kMouse, 96, kTypeUInt16, 40},                 // Buzzer_Time
    {kMouse, 97, kTypeUInt16, 2200},               // Buzzer_Tone
    {kMouse, 127, kTypeUInt8, 0},                  // Pen
    {kMouse, 128, kTypeUInt8, 1},                  // SingleTouch
    {kMouse, 129, kTypeUInt8, 1},                  // DoubleTouch
    {kNearField, 26, kTypeFloat, 0.75},            // ThresholdRate
    {kNearField, 27, kTypeSInt16, 120},            // ThresholdUp
    {kNearField, 28, kTypeSInt16, -80},            // ThresholdDown
    {kNearField, 32, kTypeUInt32, 20000},          // HoldOff
    {kBackPropagation, 124, kTypeUInt16, 2},       // Min_Sample_Delay
    {kBackPropagation, 125, kTypeUInt16, 6},       // Mid_Sample_Delay
    {kBackPropagation, 126, kTypeUInt16, 12},      // Max_Sample_Delay
    {kBackPropagation, 132, kTypeUInt8, 1},        // Enabled
    {kDiameterThreshold, 133, kTypeSInt32, 1800},  // TouchSplitThreshold
    {kDiameterThreshold, 134, kTypeFloat, 0.35},   // TouchSplitRate
    {kDragThreshold, 131, kTypeSInt32, -1200},     // PivotThreshold
    {kDragThreshold, 130, kTypeUInt16, 8},         // MinPacketDelay
    {kDragThreshold, 103, kTypeSInt8, -2},         // ReTouch
    {kDragThreshold, 104, kTypeSInt8, 5},          // PostTouch
};

}  // namespace

std::span<const SettingSpec> DefaultSettings(int channel) {
    switch (channel) {
        case 0:
            return kChannel0Settings;
        case 6:
            return kChannel6Settings;
        default:
            return {};
    }
}
