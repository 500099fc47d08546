#pragma once
// t860ctl's command line: the options every command takes, the command words,
// and the errors that end a run with their exit code.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;        // the controller refused, or a file could not be used
constexpr int kExitUsage = 2;         // the command line is wrong
constexpr int kExitNoController = 3;  // no controller with the identity
constexpr int kExitNoAnswer = 4;      // the controller did not answer in time
constexpr int kExitDiffers = 5;       // the unit differs from its baseline

constexpr uint32_t kDefaultTimeoutMs = 1000;

// Ends a run: the message goes to standard error, the code is the exit code.
class CtlFailure : public std::runtime_error {
public:
    CtlFailure(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

struct CtlOptions {
    bool simulate = false;
    std::optional<uint16_t> vendor;
    std::optional<uint16_t> product;
    uint32_t timeoutMs = kDefaultTimeoutMs;
    bool json = false;
    bool help = false;
    bool version = false;
    // The command and its own words and options, in order.
    std::vector<std::string> words;
};

// Takes the common options wherever they stand; throws CtlFailure (usage).
CtlOptions ParseCtlOptions(const std::vector<std::string>& args);

// The command's own words, consumed in order.
class CommandWords {
public:
    explicit CommandWords(std::vector<std::string> words) : words_(std::move(words)) {}

    // Removes "--name" and returns whether it was there.
    bool TakeFlag(const char* name);
    // Removes "--name VALUE" and returns the value.
    std::optional<std::string> TakeOption(const char* name);
    // The next word that is not an option, or none.
    std::optional<std::string> TakeOperand();
    std::string RequireOperand(const char* what);
    // Throws a usage error when anything is left.
    void RequireEnd() const;

private:
    std::vector<std::string> words_;
};

// A number in decimal or with "0x" in hexadecimal, within 0..max; throws a
// usage error naming what it is otherwise.
uint32_t ParseNumber(const std::string& text, uint32_t max, const char* what);

extern const char kCtlUsage[];
