#pragma once
// The acceptance checks in the accuracy result file ("acceptance", from
// version 2 on): the limits used, where the screen size came from, the
// targets' offsets, the coverage strokes, the two-finger verdict, and each
// criterion's verdict as it was shown. Read back strictly; the verdicts are
// judged again from the rest, so that another screen size can be applied.

#include <string>

#include "Checks/AcceptanceCheck.h"
#include "Formats/Json.h"

JsonValue AcceptanceJson(const AcceptanceRecord& record, const AccuracyScreen& screen);
// False with a message naming the member at fault, and out untouched.
bool AcceptanceFromJson(const JsonValue& json, AcceptanceRecord& out, std::string& error);
