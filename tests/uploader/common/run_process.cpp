/* See run_process.h. */
#include "run_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void drain(int fd, std::string &into, bool &open) {
    char buf[4096];
    ssize_t n = read(fd, buf, sizeof(buf));
    if (n > 0)
        into.append(buf, (size_t)n);
    else if (n == 0 || (errno != EINTR && errno != EAGAIN))
        open = false;
}

} // namespace

RunResult runProcess(const std::vector<std::string> &argv, const std::vector<std::string> &env, int timeoutMs,
                     const std::string &workDir) {
    RunResult r;
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0)
        return r;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        close(outPipe[1]);
        close(errPipe[1]);
        for (const std::string &e : env)
            putenv(const_cast<char *>(e.c_str()));
        if (!workDir.empty() && chdir(workDir.c_str()) != 0)
            _exit(126);
        std::vector<char *> args;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        if (elapsed >= timeoutMs) {
            r.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
        if (poll(fds, 2, (int)(timeoutMs - elapsed)) <= 0)
            continue;
        if (outOpen && (fds[0].revents & (POLLIN | POLLHUP)))
            drain(outPipe[0], r.out, outOpen);
        if (errOpen && (fds[1].revents & (POLLIN | POLLHUP)))
            drain(errPipe[0], r.err, errOpen);
    }
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpuSeconds = (double)usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + (double)usage.ru_stime.tv_sec +
                   usage.ru_stime.tv_usec / 1e6;
    if (WIFEXITED(status))
        r.exitCode = WEXITSTATUS(status);
    return r;
}

namespace {
/* One folder per test process, removed when it ends. */
struct TempFolder {
    std::string dir;
    ~TempFolder() {
        if (!dir.empty())
            std::filesystem::remove_all(dir);
    }
};
TempFolder tempFolder;
} // namespace

std::string writeTempFile(const std::string &name, const std::string &bytes) {
    std::string &dir = tempFolder.dir;
    if (dir.empty()) {
        const char *base = getenv("TMPDIR");
        std::string templ = std::string(base && *base ? base : "/tmp") + "/vorne_test_XXXXXX";
        std::vector<char> buf(templ.begin(), templ.end());
        buf.push_back('\0');
        if (mkdtemp(buf.data()))
            dir = buf.data();
    }
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string readWholeFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
