#pragma once
// A camera row of one value throughout, for the baseline tests.

#include "Checks/BaselineFile.h"

inline BaselineProfile Flat(int camera, RowKind kind, double value) {
    BaselineProfile profile;
    profile.camera = camera;
    profile.kind = kind;
    profile.values.fill(value);
    return profile;
}
