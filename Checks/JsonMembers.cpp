#include "Checks/JsonMembers.h"

#include <cmath>

bool NumberMember(const JsonValue& object, const char* key, double& value, std::string& error) {
    const JsonValue* member = object.Find(key);
    if (member == nullptr || !member->IsNumber() || !std::isfinite(member->AsNumber())) {
        error = std::string("\"") + key + "\" must be a number";
        return false;
    }
    value = member->AsNumber();
    return true;
}

bool WholeMember(const JsonValue& object, const char* key, double min, double max, double& value,
                 std::string& error) {
    double number;
    if (!NumberMember(object, key, number, error) || number != std::floor(number) || number < min ||
        number > max) {
        error = std::string("\"") + key + "\" must be a whole number from " +
                FormatJsonNumber(min) + " to " + FormatJsonNumber(max);
        return false;
    }
    value = number;
    return true;
}

bool NonNegativeMember(const JsonValue& object, const char* key, double& value,
                       std::string& error) {
    double number;
    if (!NumberMember(object, key, number, error) || number < 0) {
        error = std::string("\"") + key + "\" must be a number of at least 0";
        return false;
    }
    value = number;
    return true;
}

bool BoolMember(const JsonValue& object, const char* key, bool& value, std::string& error) {
    const JsonValue* member = object.Find(key);
    if (member == nullptr || !member->IsBool()) {
        error = std::string("\"") + key + "\" must be true or false";
        return false;
    }
    value = member->AsBool();
    return true;
}

bool StringMember(const JsonValue& object, const char* key, std::string& value,
                  std::string& error) {
    const JsonValue* member = object.Find(key);
    if (member == nullptr || !member->IsString()) {
        error = std::string("\"") + key + "\" must be a text";
        return false;
    }
    value = member->AsString();
    return true;
}
