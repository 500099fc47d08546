// The main window's buttons that open the report mode, offscreen mode and
// input mode dialogs. The dialogs are not part of the program yet; the buttons
// do nothing until they are.

#include "T860Util/Main.h"

void TfrmMain::btnReportModeClick() {}

void TfrmMain::btnOffscreenModeClick() {}

void TfrmMain::btnFeatureReportInputModeClick() {}
