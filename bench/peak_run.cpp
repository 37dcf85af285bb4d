// Runs one program and reports its wall time and peak memory for the start-up benchmark.
// Usage: varnel_peak_run quiet|loud PROGRAM [ARGUMENTS...]. After the program's own output (none when
// quiet) it prints "peak-run EXIT_CODE PEAK_KB WALL_MS"; EXIT_CODE is -1 when the program was killed.
//
// Linux gives a process the peak memory of the one that started it (exec keeps the larger of the old
// memory map's peak and the new one's), and the benchmark has grown large by the time it starts a
// player; started from this small process instead, each player's peak is its own.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

void Redirect(int fd, const char* path, int flags) {
    const int opened = open(path, flags);
    if (opened < 0)
        return;
    dup2(opened, fd);
    close(opened);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || (std::strcmp(argv[1], "quiet") != 0 && std::strcmp(argv[1], "loud") != 0)) {
        std::fprintf(stderr, "usage: varnel_peak_run quiet|loud PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    const bool quiet = std::strcmp(argv[1], "quiet") == 0;
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0)
        return 2;
    if (pid == 0) {
        // A player would otherwise take the keyboard of the terminal the benchmark runs in.
        Redirect(STDIN_FILENO, "/dev/null", O_RDONLY);
        if (quiet) {
            Redirect(STDOUT_FILENO, "/dev/null", O_WRONLY);
            Redirect(STDERR_FILENO, "/dev/null", O_WRONLY);
        }
        execv(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            return 2;
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::printf("peak-run %d %ld %.3f\n", exitCode, usage.ru_maxrss, took.count());
    return 0;
}
