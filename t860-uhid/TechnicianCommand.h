#pragma once
// The "technician" line of t860-uhid: plays the accuracy test's technician
// through the kernel, so that a test run on a real desktop gets touches on
// its targets as the program's own virtual technician gives them under
// "/simulate". The touches land where the targets are as fractions of the
// controller's range, without errors of their own: whatever the desktop does
// to them is the desktop's.

#include <string>

#include "Simulator/TechnicianScript.h"

// "technician" (the 3 x 3 grid) or "technician 25" (5 x 5), optionally
// followed by the wait before the first touch in milliseconds. False when the
// line is not such a command.
bool ParseTechnicianCommand(const std::string& line, TechnicianConfig& config);
// "strokes ROWS" strokes the whole screen once, one row along the middle of
// each of ROWS equal bands from top to bottom, so that each stroke runs
// inside one row of cells of a coverage grid with that many rows ("strokes"
// alone: 9, the grid of a screen of unknown size), optionally followed by
// the wait before the first touch. False when the line is not such a
// command.
bool ParseStrokesCommand(const std::string& line, TechnicianConfig& config);
