#include "T860Util/WindowHooks.h"

void ShowSettingsView() {}

void ShowPerformanceStats() {}

void ShowScope() {}

void HandSettingsReport(int, const uint8_t*, int32_t) {}

void HandScopeReport(const uint8_t*, int32_t) {}
