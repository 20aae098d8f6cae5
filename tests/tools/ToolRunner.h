#pragma once

// Runs the built velto-telemetry with arguments in `workDir` and collects its
// exit status, its output and its error text; a run that outlives the time
// limit is killed and reported as such.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace tools_test {

struct ToolResult {
    int status = -1;  // exit status, or -1 when it did not exit normally
    int signal = 0;   // the signal that ended it, if any
    bool timedOut = false;
    std::string out, err;
};

inline std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline ToolResult RunTool(const std::vector<std::string>& args, const std::string& workDir,
                          std::chrono::seconds limit = std::chrono::seconds(20)) {
    const std::string outPath = workDir + "/tool.out", errPath = workDir + "/tool.err";
    ToolResult r;
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0 || ::chdir(workDir.c_str()) != 0)
            ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv;
        static const std::string exe = VELTO_TELEMETRY_EXE;
        argv.push_back(const_cast<char*>(exe.c_str()));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(exe.c_str(), argv.data());
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            r.timedOut = true;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &wstatus, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(wstatus))
        r.status = WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus))
        r.signal = WTERMSIG(wstatus);
    r.out = ReadWhole(outPath);
    r.err = ReadWhole(errPath);
    return r;
}

}  // namespace tools_test
