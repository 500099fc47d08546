#pragma once
// The last accuracy result, as a baseline takes it: "LastAccuracy.json" in the
// data folder, written by the accuracy test when it finishes.

#include <optional>
#include <string>

#include "Checks/BaselineFile.h"

// Nothing (and no error) when there is no result yet; false with a message
// when there is one that cannot be read.
bool ReadLastAccuracy(std::optional<AccuracySummary>& accuracy, std::string& error);
