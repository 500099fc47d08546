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
    {kMy, 17, SettingType::UINT32, 86012345},         // SerialNumber
    {kMy, 18, SettingType::UINT16, 860},              // ModelNumber
    {kMy, 19, SettingType::UINT16, 0x030C},           // FirmwareVersion
    {kMy, 20, SettingType::UINT32, 20240311},         // FactoryDate
    {kMy, 22, SettingType::UINT8, 0},                 // ReworkCount
    {kMy, 25, SettingType::UINT8, 3},                 // Protocol
    {kMy, 115, SettingType::UINT16, 0x0020},          // ReportMode
    {kMy, 142, SettingType::UINT8, 0},                // OffscreenMode
    {kPanel, 34, SettingType::UINT16, 32767},         // X
    {kPanel, 35, SettingType::UINT16, 32767},         // Y
    {kPanel, 120, SettingType::SINT16, -12},          // Left
    {kPanel, 121, SettingType::SINT16, -8},           // Top
    {kPanel, 122, SettingType::SINT16, 12},           // Right
    {kPanel, 123, SettingType::SINT16, 8},            // Bottom
    {kPanel, 75, SettingType::UINT8, 2},              // NumberOfCameras
    {kPanel, 84, SettingType::UINT16, 512},           // TotalPixels
    {kPanel, 90, SettingType::SINT8, -1},             // CamOrientation
    {kCam0, 36, SettingType::UINT16, 420},            // Shutter0
    {kCam0, 37, SettingType::UINT16, 380},            // Shutter1
    {kCam0, 106, SettingType::UINT8, 12},             // Gain
    {kCam0, 38, SettingType::FLOAT, 44.75},           // Angle
    {kCam0, 39, SettingType::FLOAT, 1.25},            // Aperture0
    {kCam0, 41, SettingType::FLOAT, 0.00125},         // Coeff0
    {kCam0, 42, SettingType::FLOAT, -0.5},            // Coeff1
    {kCam0, 43, SettingType::FLOAT, 3.5},             // Coeff2
    {kCam0, 107, SettingType::SINT16, -40},           // ThresholdFloor
    {kCam0, 114, SettingType::UINT16, 7},             // CornerPixel
    {kCam0, 86, SettingType::SINT8, 4},               // Cam_Edges
    {kCam1, 36, SettingType::UINT16, 415},            // Shutter0
    {kCam1, 37, SettingType::UINT16, 377},            // Shutter1
    {kCam1, 106, SettingType::UINT8, 11},             // Gain
    {kCam1, 38, SettingType::FLOAT, 45.5},            // Angle
    {kCam1, 39, SettingType::FLOAT, 1.3},             // Aperture0
    {kCam1, 41, SettingType::FLOAT, 0.0012},          // Coeff0
    {kCam1, 42, SettingType::FLOAT, -0.48},           // Coeff1
    {kCam1, 43, SettingType::FLOAT, 3.45},            // Coeff2
    {kCam1, 107, SettingType::SINT16, -36},           // ThresholdFloor
    {kCam1, 114, SettingType::UINT16, 504},           // CornerPixel
    {kCam1, 86, SettingType::SINT8, -3},              // Cam_Edges
    {kCalibration, 58, SettingType::UINT8, 4},        // NumberOfCalibrationPoints
    {kCalibration, 59, SettingType::SINT32, 1638},    // From0X
    {kCalibration, 60, SettingType::SINT32, 1638},    // From0Y
    {kCalibration, 61, SettingType::SINT32, 31129},   // From1X
    {kCalibration, 62, SettingType::SINT32, 1638},    // From1Y
    {kCalibration, 67, SettingType::FLOAT, 1702.5},   // To0X
    {kCalibration, 68, SettingType::FLOAT, 1590.25},  // To0Y
    {kCalibration, 69, SettingType::FLOAT, 31011.0},  // To1X
    {kCalibration, 70, SettingType::FLOAT, 1655.75},  // To1Y
    {kCalibration, 92, SettingType::UINT8, 2},        // Cal_Strokes
    {kFilters, 102, SettingType::SINT8, -6},          // Hysteresis
    {kFilters, 29, SettingType::SINT32, -250},        // DeadBand
    {kFilters, 30, SettingType::UINT16, 3},           // Integration
    {kFilters, 141, SettingType::UINT32, 50000},      // AmbientRate
    {kFilters, 145, SettingType::UINT8, 1},           // AmbientSubtraction
    {kFilters, 77, SettingType::FLOAT, 62.5},         // ThresholdPercent
    {kBorder, 120, SettingType::SINT16, -200},        // Left
    {kBorder, 121, SettingType::SINT16, -150},        // Top
    {kBorder, 122, SettingType::SINT16, 200},         // Right
    {kBorder, 123, SettingType::SINT16, 150},         // Bottom
};

constexpr SettingSpec kChannel0Settings[] = {
    {kMy, 135, SettingType::UINT8, 3},                     // VersionMajor
    {kMy, 136, SettingType::UINT8, 12},                    // VersionMinor
    {kMy, 137, SettingType::UINT16, 4},                    // VersionRelease
    {kMy, 138, SettingType::UINT32, 1187},                 // VersionBuild
    {kMy, 24, SettingType::UINT32, 0x5A17C3E9},            // UniqueID
    {kMy, 88, SettingType::UINT8, 0},                      // Serial_Mode
    {kMy, 89, SettingType::UINT32, 115200},                // BaudRate
    {kMy, 139, SettingType::SINT8, 1},                     // StatusLED
    {kPanel, 34, SettingType::UINT16, 1920},               // X
    {kPanel, 35, SettingType::UINT16, 1080},               // Y
    {kPanel, 87, SettingType::UINT16, 0x0860},             // Hardware
    {kPanel, 76, SettingType::FLOAT, 2.8},                 // FocalLength
    {kCam2, 105, SettingType::UINT16, 400},                // Shutter
    {kCam2, 106, SettingType::UINT8, 10},                  // Gain
    {kCam2, 38, SettingType::FLOAT, 44.9},                 // Angle
    {kCam2, 112, SettingType::SINT16, 96},                 // LED0Separation
    {kCam2, 113, SettingType::SINT16, -96},                // LED1Separation
    {kCam2, 140, SettingType::UINT32, 0x00FF00FF},         // PixelMap
    {kCam3, 105, SettingType::UINT16, 395},                // Shutter
    {kCam3, 106, SettingType::UINT8, 10},                  // Gain
    {kCam3, 38, SettingType::FLOAT, 45.1},                 // Angle
    {kCam3, 112, SettingType::SINT16, 94},                 // LED0Separation
    {kCam3, 113, SettingType::SINT16, -98},                // LED1Separation
    {kCam3, 140, SettingType::UINT32, 0x00FF00FF},         // PixelMap
    {kMouse, 93, SettingType::UINT16, 1500},               // RightClickDelay
    {kMouse, 94, SettingType::UINT16, 500},                // DoubleClickTime
    {kMouse, 95, SettingType::UINT8, 8},                   // DragThreshold
    {kMouse, 96, SettingType::UINT16, 40},                 // Buzzer_Time
    {kMouse, 97, SettingType::UINT16, 2200},               // Buzzer_Tone
    {kMouse, 127, SettingType::UINT8, 0},                  // Pen
    {kMouse, 128, SettingType::UINT8, 1},                  // SingleTouch
    {kMouse, 129, SettingType::UINT8, 1},                  // DoubleTouch
    {kNearField, 26, SettingType::FLOAT, 0.75},            // ThresholdRate
    {kNearField, 27, SettingType::SINT16, 120},            // ThresholdUp
    {kNearField, 28, SettingType::SINT16, -80},            // ThresholdDown
    {kNearField, 32, SettingType::UINT32, 20000},          // HoldOff
    {kBackPropagation, 124, SettingType::UINT16, 2},       // Min_Sample_Delay
    {kBackPropagation, 125, SettingType::UINT16, 6},       // Mid_Sample_Delay
    {kBackPropagation, 126, SettingType::UINT16, 12},      // Max_Sample_Delay
    {kBackPropagation, 132, SettingType::UINT8, 1},        // Enabled
    {kDiameterThreshold, 133, SettingType::SINT32, 1800},  // TouchSplitThreshold
    {kDiameterThreshold, 134, SettingType::FLOAT, 0.35},   // TouchSplitRate
    {kDragThreshold, 131, SettingType::SINT32, -1200},     // PivotThreshold
    {kDragThreshold, 130, SettingType::UINT16, 8},         // MinPacketDelay
    {kDragThreshold, 103, SettingType::SINT8, -2},         // ReTouch
    {kDragThreshold, 104, SettingType::SINT8, 5},          // PostTouch
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
