// Runs built programs for the tests: captured streams, a pseudo-terminal, or
// an interrupt in mid-run.

#include "ProgramRun.h"

// POSIX only: the Windows test build runs no program on a terminal.
#if !defined(_WIN32)

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "TempDir.h"

extern char** environ;

namespace testsupport
{
namespace
{
// Argument and environment arrays for exec; the strings outlive the arrays.
struct ExecArrays
{
    std::vector<std::string> arguments, environment;
    std::vector<char*> argv, envp;

    ExecArrays(const std::string& program, const std::vector<std::string>& args, const std::string& argument0,
               const std::vector<std::string>& extra)
    {
        arguments.push_back(argument0.empty() ? program : argument0);
        arguments.insert(arguments.end(), args.begin(), args.end());
        for (char** e = environ; *e; ++e)
            environment.push_back(*e);
        environment.insert(environment.end(), extra.begin(), extra.end());
        for (std::string& a : arguments)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        for (std::string& e : environment)
            envp.push_back(&e[0]);
        envp.push_back(nullptr);
    }
};

int WaitFor(pid_t pid)
{
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR)
    {
    }
    if (WIFEXITED(wstatus))
        return WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus))
        return 1000 + WTERMSIG(wstatus);
    return -1;
}

std::string Text(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// Everything readable from fd until its end (or, for a terminal, EIO).
std::string Drain(int fd)
{
    std::string all;
    char buffer[4096];
    for (;;)
    {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0)
            all.append(buffer, static_cast<size_t>(got));
        else if (got < 0 && errno == EINTR)
            continue;
        else
            return all;
    }
}
} // namespace

ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& argument0, const std::vector<std::string>& environment)
{
    TempDir capture;
    const std::string outPath = capture.File("stdout"), errPath = capture.File("stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ExecArrays exec(program, arguments, argument0, environment);
    ProgramOutcome outcome;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, exec.argv.data(), exec.envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
    {
        outcome.err = "cannot start " + program;
        return outcome;
    }
    outcome.status = WaitFor(pid);
    outcome.out = Text(ReadFile(outPath));
    outcome.err = Text(ReadFile(errPath));
    return outcome;
}

ProgramOutcome RunOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                             const std::vector<std::string>& environment)
{
    ExecArrays exec(program, arguments, "", environment);
    ProgramOutcome outcome;
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0)
    {
        outcome.err = "no pseudo-terminal";
        return outcome;
    }
    if (pid == 0)
    {
        execve(program.c_str(), exec.argv.data(), exec.envp.data());
        _exit(127);
    }
    outcome.out = Drain(master);
    close(master);
    outcome.status = WaitFor(pid);
    return outcome;
}

ProgramOutcome RunAndInterrupt(const std::string& program, const std::vector<std::string>& arguments)
{
    ProgramOutcome outcome;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return outcome;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    ExecArrays exec(program, arguments, "", {});
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, exec.argv.data(), exec.envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0)
    {
        close(pipeEnds[0]);
        outcome.err = "cannot start " + program;
        return outcome;
    }
    pollfd ready = {pipeEnds[0], POLLIN, 0};
    while (poll(&ready, 1, -1) < 0 && errno == EINTR)
    {
    }
    kill(pid, SIGINT);
    outcome.err = Drain(pipeEnds[0]);
    close(pipeEnds[0]);
    outcome.status = WaitFor(pid);
    return outcome;
}
} // namespace testsupport
#endif
