#pragma once
// Debian's node exporter, started for one test with only its textfile
// collector, on a free port of the loopback address, reading a folder of the
// test's own; and what it serves on /metrics.

#include <sys/types.h>

#include <filesystem>
#include <string>

class NodeExporter {
public:
    // Starts it; Started() says whether it came up and serves metrics.
    explicit NodeExporter(const std::filesystem::path& textfileFolder);
    ~NodeExporter();
    NodeExporter(const NodeExporter&) = delete;
    NodeExporter& operator=(const NodeExporter&) = delete;

    bool Started() const { return started_; }
    const std::string& Log() const { return log_; }
    // The body of GET /metrics, empty when it did not answer.
    std::string Metrics() const;

private:
    pid_t pid_ = -1;
    int port_ = 0;
    bool started_ = false;
    std::string log_;
};

// The value of the sample written exactly as series (name and labels, the
// labels in the exporter's order: sorted by name), or NaN when absent.
double SampleValue(const std::string& metrics, const std::string& series);

// Runs a shell command line; returns its exit status (-1 when it did not exit).
int RunCommand(const std::string& command);
