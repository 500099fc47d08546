#include <string>

#include "Driver/XlateLib/Settings.h"

// The names the controller's ids stand for. Blocks carry ids only; these tables
// are what the trees show and what edits are found back by.

const char* const parentNames[kParentNameCount] = {
    "",                    // 0
    "My",                  // 1
    "Panel",               // 2
    "CAM0",                // 3
    "CAM1",                // 4
    "CAM2",                // 5
    "CAM3",                // 6
    "Calibration",         // 7
    "NearField",           // 8
    "Border",              // 9
    "Filters",             // 10
    "BackPropagation",     // 11
    "Diameter_Threshold",  // 12
    "Drag_Threshold",      // 13
    "Mouse",               // 14
    "",                    // 15
    "",                    // 16
};

const char* const childNames[kChildNameCount] = {
    "",                           // 0
    "",                           // 1
    "",                           // 2
    "",                           // 3
    "",                           // 4
    "",                           // 5
    "",                           // 6
    "",                           // 7
    "",                           // 8
    "",                           // 9
    "",                           // 10
    "",                           // 11
    "",                           // 12
    "",                           // 13
    "",                           // 14
    "",                           // 15
    "",                           // 16
    "SerialNumber",               // 17
    "ModelNumber",                // 18
    "FirmwareVersion",            // 19
    "FactoryDate",                // 20
    "ReworkDate",                 // 21
    "ReworkCount",                // 22
    "Revision_Build",             // 23
    "UniqueID",                   // 24
    "Protocol",                   // 25
    "ThresholdRate",              // 26
    "ThresholdUp",                // 27
    "ThresholdDown",              // 28
    "DeadBand",                   // 29
    "Integration",                // 30
    "InFill",                     // 31
    "HoldOff",                    // 32
    "Properties",                 // 33
    "X",                          // 34
    "Y",                          // 35
    "Shutter0",                   // 36
    "Shutter1",                   // 37
    "Angle",                      // 38
    "Aperture0",                  // 39
    "Aperture1",                  // 40
    "Coeff0",                     // 41
    "Coeff1",                     // 42
    "Coeff2",                     // 43
    "Coeff3",                     // 44
    "Coeff4",                     // 45
    "Coeff5",                     // 46
    "Coeff6",                     // 47
    "PixelMap0",                  // 48
    "PixelMap1",                  // 49
    "PixelMap2",                  // 50
    "PixelMap3",                  // 51
    "PixelMap4",                  // 52
    "PixelMap5",                  // 53
    "PixelMap6",                  // 54
    "PixelMap7",                  // 55
    "PixelMap8",                  // 56
    "PixelMap9",                  // 57
    "NumberOfCalibrationPoints",  // 58
    "From0X",                     // 59
    "From0Y",                     // 60
    "From1X",                     // 61
    "From1Y",                     // 62
    "From2X",                     // 63
    "From2Y",                     // 64
    "From3X",                     // 65
    "From3Y",                     // 66
    "To0X",                       // 67
    "To0Y",                       // 68
    "To1X",                       // 69
    "To1Y",                       // 70
    "To2X",                       // 71
    "To2Y",                       // 72
    "To3X",                       // 73
    "To3Y",                       // 74
    "NumberOfCameras",            // 75
    "FocalLength",                // 76
    "ThresholdPercent",           // 77
    "spare",                      // 78
    "spare",                      // 79
    "spare",                      // 80
    "Version_Major",              // 81
    "Version_Minor",              // 82
    "Gui_Flags",                  // 83
    "TotalPixels",                // 84
    "",                           // 85
    "Cam_Edges",                  // 86
    "Hardware",                   // 87
    "Serial_Mode",                // 88
    "BaudRate",                   // 89
    "CamOrientation",             // 90
    "Cal_Key",                    // 91
    "Cal_Strokes",                // 92
    "RightClickDelay",            // 93
    "DoubleClickTime",            // 94
    "DragThreshold",              // 95
    "Buzzer_Time",                // 96
    "Buzzer_Tone",                // 97
    "LowSpeedTime",               // 98
    "LowSpeedPeriod",             // 99
    "ReportType",                 // 100
    "Mode",                       // 101
    "Hysteresis",                 // 102
    "ReTouch",                    // 103
    "PostTouch",                  // 104
    "Shutter",                    // 105
    "Gain",                       // 106
    "ThresholdFloor",             // 107
    "Coeff7",                     // 108
    "Infill_Delay",               // 109
    "Infill_OnTime",              // 110
    "Test_ID",                    // 111
    "LED0Separation",             // 112
    "LED1Separation",             // 113
    "CornerPixel",                // 114
    "ReportMode",                 // 115
    "spare",                      // 116
    "spare",                      // 117
    "spare",                      // 118
    "spare",                      // 119
    "Left",                       // 120
    "Top",                        // 121
    "Right",                      // 122
    "Bottom",                     // 123
    "Min_Sample_Delay",           // 124
    "Mid_Sample_Delay",           // 125
    "Max_Sample_Delay",           // 126
    "Pen",                        // 127
    "SingleTouch",                // 128
    "DoubleTouch",                // 129
    "MinPacketDelay",             // 130
    "PivotThreshold",             // 131
    "Enabled",                    // 132
    "TouchSplitThreshold",        // 133
    "TouchSplitRate",             // 134
    "VersionMajor",               // 135
    "VersionMinor",               // 136
    "VersionRelease",             // 137
    "VersionBuild",               // 138
    "StatusLED",                  // 139
    "PixelMap",                   // 140
    "AmbientRate",                // 141
    "OffscreenMode",              // 142
    "Touch0",                     // 143
    "Touch1",                     // 144
    "AmbientSubtraction",         // 145
    "end1",                       // 146
    "end2",                       // 147
};

std::string settingsChildName(int childId) {
    if (childId >= 0 && childId < kChildNameCount) {
        return childNames[childId];
    }
    return "Unknown_" + std::to_string(childId);
}
