#include "tests/t860ctl/NodeExporter.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "tests/support/WaitUntil.h"

namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port nobody listens on now: the kernel's pick for a socket bound to port 0.
int FreeLoopbackPort() {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    int port = 0;
    if (probe >= 0 && bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    if (probe >= 0) {
        close(probe);
    }
    return port;
}

std::string HttpGet(int port, const std::string& path) {
    const int connection = socket(AF_INET, SOCK_STREAM, 0);
    if (connection < 0) {
        return "";
    }
    const sockaddr_in address = Loopback(port);
    std::string response;
    if (connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        const std::string request =
            "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        if (send(connection, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
            char buffer[65536];
            ssize_t got;
            while ((got = recv(connection, buffer, sizeof buffer, 0)) > 0) {
                response.append(buffer, static_cast<size_t>(got));
            }
        }
    }
    close(connection);
    const size_t body = response.find("\r\n\r\n");
    if (response.compare(0, 12, "HTTP/1.0 200") != 0 &&
        response.compare(0, 12, "HTTP/1.1 200") != 0) {
        return "";
    }
    return body == std::string::npos ? "" : response.substr(body + 4);
}

}  // namespace

NodeExporter::NodeExporter(const std::filesystem::path& textfileFolder) {
    port_ = FreeLoopbackPort();
    const std::string logPath = (textfileFolder.parent_path() / "node-exporter.log").string();
    const std::vector<std::string> args = {
        "/usr/bin/prometheus-node-exporter",
        "--web.listen-address=127.0.0.1:" + std::to_string(port_), "--collector.disable-defaults",
        "--collector.textfile", "--collector.textfile.directory=" + textfileFolder.string()};
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    // The test's threads run on: the child calls only what is safe after fork.
    const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    pid_ = fork();
    if (pid_ == 0) {
        if (log >= 0) {
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (log >= 0) {
        close(log);
    }
    const auto ended = [&] {
        int status = 0;
        if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;  // reaped: nothing left to stop
        }
        return pid_ <= 0;
    };
    started_ =
        port_ > 0 && t860test::WaitUntil([&] { return ended() || !Metrics().empty(); }) && !ended();
    std::ifstream file(logPath);
    std::ostringstream text;
    text << file.rdbuf();
    log_ = text.str();
}

NodeExporter::~NodeExporter() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

std::string NodeExporter::Metrics() const {
    return HttpGet(port_, "/metrics");
}

double SampleValue(const std::string& metrics, const std::string& series) {
    std::istringstream lines(metrics);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() > series.size() && line.compare(0, series.size(), series) == 0 &&
            line[series.size()] == ' ') {
            return std::strtod(line.c_str() + series.size() + 1, nullptr);
        }
    }
    return std::nan("");
}

int RunCommand(const std::string& command) {
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
