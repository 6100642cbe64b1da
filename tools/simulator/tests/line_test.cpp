// The simulator program itself on a pty: what it logs for bytes written to the other side, what it
// sends back, a frame torn by a pause on the line, and a clean stop on SIGTERM. Behind a TCP port:
// a client it cannot take for want of descriptors.
#include <doctest/doctest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

template <typename Condition>
bool WaitUntil(Condition condition, int timeoutMs = 5000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The far end of the line: a pty master; the simulator runs on its slave. Killed if still running.
class SimulatorOnPty {
public:
    explicit SimulatorOnPty(std::vector<std::string> options) : logPath_("line_test_" + std::to_string(getpid())) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        REQUIRE(master_ >= 0);
        REQUIRE(grantpt(master_) == 0);
        REQUIRE(unlockpt(master_) == 0);
        options.insert(options.begin(), {QUORVEX_SIMULATOR, "--log", logPath_});
        options.push_back(ptsname(master_));
        pid_ = fork();
        REQUIRE(pid_ >= 0);
        if (pid_ == 0) {
            std::vector<char*> argv;
            for (std::string& option : options)
                argv.push_back(option.data());
            argv.push_back(nullptr);
            if (!freopen("/dev/null", "w", stdout))
                _exit(127);
            execv(argv[0], argv.data());
            _exit(127);
        }
        REQUIRE(WaitUntil([&] { return Log().find("listening") != std::string::npos; }));
    }
    ~SimulatorOnPty() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(master_);
        std::remove(logPath_.c_str());
    }

    void Write(const std::string& bytes) {
        REQUIRE(write(master_, bytes.data(), bytes.size()) == (ssize_t)bytes.size());
    }
    std::string Log() const { return ReadFile(logPath_); }
    bool Logged(const std::string& text) const {
        return WaitUntil([&] { return Log().find(text) != std::string::npos; });
    }
    // Bytes the simulator sent, once `count` have come.
    std::string Received(std::size_t count) {
        std::string got;
        WaitUntil([&] {
            pollfd ready{master_, POLLIN, 0};
            if (poll(&ready, 1, 0) > 0) {
                char buffer[64];
                got.append(buffer,
                           static_cast<std::size_t>(std::max<ssize_t>(0, read(master_, buffer, sizeof buffer))));
            }
            return got.size() >= count;
        });
        return got;
    }
    int Stop() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    std::string logPath_;
    int master_ = -1;
    pid_t pid_ = -1;
};

// The simulator behind a TCP port on loopback, allowed `descriptors` open files until Allow().
class SimulatorOnTcp {
public:
    explicit SimulatorOnTcp(rlim_t descriptors) : logPath_("line_test_tcp_" + std::to_string(getpid())), pid_(fork()) {
        REQUIRE(pid_ >= 0);
        if (pid_ == 0) {
            for (int fd = 3; fd < 1024; ++fd)
                close(fd);
            rlimit limit{};
            getrlimit(RLIMIT_NOFILE, &limit);
            limit.rlim_cur = descriptors;
            if (!freopen("/dev/null", "w", stdout) || setrlimit(RLIMIT_NOFILE, &limit) != 0)
                _exit(127);
            execl(QUORVEX_SIMULATOR, QUORVEX_SIMULATOR, "--no-picture", "--log", logPath_.c_str(), "--listen",
                  "127.0.0.1:0", static_cast<char*>(nullptr));
            _exit(127);
        }
        REQUIRE(WaitUntil([&] { return Log().find("listening on tcp:127.0.0.1:") != std::string::npos; }));
    }
    ~SimulatorOnTcp() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        std::remove(logPath_.c_str());
    }
    SimulatorOnTcp(const SimulatorOnTcp&) = delete;
    SimulatorOnTcp& operator=(const SimulatorOnTcp&) = delete;

    std::string Log() const { return ReadFile(logPath_); }
    bool Logged(const std::string& text) const {
        return WaitUntil([&] { return Log().find(text) != std::string::npos; });
    }
    std::uint16_t Port() const {
        const std::string log = Log();
        const std::size_t at = log.find("tcp:127.0.0.1:") + 14;
        return static_cast<std::uint16_t>(std::stoi(log.substr(at)));
    }
    void Allow(rlim_t descriptors) const {
        rlimit limit{};
        REQUIRE(prlimit(pid_, RLIMIT_NOFILE, nullptr, &limit) == 0);
        limit.rlim_cur = descriptors;
        REQUIRE(prlimit(pid_, RLIMIT_NOFILE, &limit, nullptr) == 0);
    }
    // User and system time so far, from /proc/PID/stat (the fields after the command's name).
    double CpuSeconds() const {
        const std::string stat = ReadFile("/proc/" + std::to_string(pid_) + "/stat");
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::string field;
        for (int i = 3; i < 14; ++i)
            fields >> field;
        long user = 0, system = 0;
        fields >> user >> system;
        return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }

private:
    std::string logPath_;
    pid_t pid_;
};

}  // namespace

TEST_CASE("out of descriptors, the simulator waits for a client without spinning and takes it once it can") {
    // Standard streams, the log and the listener: a client's socket would be one more.
    SimulatorOnTcp simulator(5);
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    REQUIRE(client >= 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(simulator.Port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    REQUIRE(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
    CHECK(simulator.Logged("cannot take a client"));
    // A measured second, not a wait for an event: a simulator that retried at once would burn it.
    const double before = simulator.CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    CHECK(simulator.CpuSeconds() - before < 0.3);
    simulator.Allow(64);
    CHECK(simulator.Logged("connected"));
    close(client);
}

TEST_CASE("on a pty the simulator logs each frame, answers it, and stops cleanly") {
    SimulatorOnPty line({"--reply", "4F 4B", "--send", "21"});
    CHECK(line.Received(1) == "!");
    line.Write("GEFg\n");
    CHECK(line.Logged("  single screen, input 1  [47 45 46 67 0A]\n"));
    CHECK(line.Logged("    layout: single screen, input 1\n"));
    CHECK(line.Received(2) == "OK");

    SUBCASE("a frame left open by a pause on the line is torn, and the next frame is whole") {
        line.Write("GD");
        CHECK(line.Logged("  torn frame  [47 44]\n"));
        line.Write("GDFg\n");
        CHECK(line.Logged("  quad split  [47 44 46 67 0A]\n"));
    }
    SUBCASE("noise is logged once the line is quiet") {
        line.Write("\r\n");
        CHECK(line.Logged("  noise  [0D 0A]\n"));
    }
    CHECK(line.Stop() == 0);
    CHECK(line.Log().find("  stopped\n") != std::string::npos);
}
