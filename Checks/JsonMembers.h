#pragma once
// Strict readers of one member of a JSON object, for the result files: each
// gives false and a message naming the member at fault, and leaves the value
// untouched then.

#include <string>

#include "Formats/Json.h"

bool NumberMember(const JsonValue& object, const char* key, double& value, std::string& error);
bool WholeMember(const JsonValue& object, const char* key, double min, double max, double& value,
                 std::string& error);
bool NonNegativeMember(const JsonValue& object, const char* key, double& value, std::string& error);
bool BoolMember(const JsonValue& object, const char* key, bool& value, std::string& error);
bool StringMember(const JsonValue& object, const char* key, std::string& value, std::string& error);
