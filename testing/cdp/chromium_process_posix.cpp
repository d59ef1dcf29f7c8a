#include "testing/cdp/chromium_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace qm::cdp {

namespace {

bool Exited(int pid, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

}  // namespace

ChromiumProcess::~ChromiumProcess() {
    Stop();
}

std::vector<std::string> ChromiumProcess::StandardArguments() {
    return {"--headless",
            "--no-sandbox",
            "--remote-debugging-port=0",
            "--remote-debugging-address=127.0.0.1",
            "--disable-popup-blocking",
            "--disable-background-networking",
            "--disable-component-update",
            "--disable-sync",
            "--disable-extensions",
            "--disable-default-apps",
            "--disable-domain-reliability",
            "--disable-client-side-phishing-detection",
            "--disable-features=BackForwardCache,Translate,OptimizationHints,MediaRouter",
            "--no-first-run",
            "--no-default-browser-check",
            "--disable-gpu",
            "--disable-quic",
            "--mute-audio",
            "--window-size=1280,800"};
}

bool ChromiumProcess::Start(const std::string& binary,
                            const std::vector<std::string>& extraArguments, int timeoutMs,
                            std::string& error) {
    if (pid_ != 0) {
        error = "already started";
        return false;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "qm-cdp-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        error = "cannot make a user data directory";
        return false;
    }
    userDataDirectory_ = pattern;
    std::vector<std::string> arguments{binary, "--user-data-dir=" + userDataDirectory_};
    for (const std::string& a : StandardArguments()) {
        arguments.push_back(a);
    }
    for (const std::string& a : extraArguments) {
        arguments.push_back(a);
    }
    arguments.push_back("about:blank");
    std::vector<char*> argv;
    for (std::string& a : arguments) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        error = "fork failed";
        return false;
    }
    if (pid == 0) {
        // The browser and its helpers get their own process group, and die with us.
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    pid_ = pid;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (ReadDevToolsActivePort(userDataDirectory_, endpoint_)) {
            return true;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = 0;
            error = "the browser ended at start";
            Stop();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    error = "the browser did not open its DevTools port in time";
    Stop();
    return false;
}

void ChromiumProcess::Stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        if (!Exited(pid_, 5000)) {
            kill(pid_, SIGKILL);
            Exited(pid_, 5000);
        }
        // Helpers left in the browser's own process group.
        kill(-pid_, SIGKILL);
        pid_ = 0;
    }
    if (!userDataDirectory_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(userDataDirectory_, ignored);
        userDataDirectory_.clear();
    }
}

}  // namespace qm::cdp
