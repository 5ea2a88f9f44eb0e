// Runs built programs for the tests: captured streams, a pseudo-terminal, a
// background run or an interrupt in mid-run; on POSIX with fork and exec, on
// Windows with CreateProcess.

#include "ProgramRun.h"

#include "TempDir.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;
#endif

namespace testsupport
{
#if defined(_WIN32)
namespace
{
// One argument quoted so that the C runtime's command-line split gives it
// back unchanged: backslashes double only before a quote.
std::string Quote(const std::string& argument)
{
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument)
    {
        if (c == '\\')
        {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

// A file the child writes one of its streams into.
HANDLE CaptureFile(const std::string& path)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A program named without a folder sits in the test's own folder.
std::string ProgramPath(const std::string& program)
{
    if (program.find_first_of("\\/") != std::string::npos)
        return program;
    char own[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, own, sizeof own);
    std::string folder(own, length < sizeof own ? length : 0);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + program;
}
} // namespace

ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& arguments, const Launch& launch)
{
    TempDir capture;
    const std::string path = ProgramPath(program);
    std::string commandLine = Quote(launch.argument0.empty() ? path : launch.argument0);
    for (const std::string& a : arguments)
        commandLine += " " + Quote(a);
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = CaptureFile(capture.Path("stdout"));
    startup.hStdError = CaptureFile(capture.Path("stderr"));
    PROCESS_INFORMATION process = {};
    BOOL started =
        startup.hStdOutput != INVALID_HANDLE_VALUE && startup.hStdError != INVALID_HANDLE_VALUE &&
        CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    if (startup.hStdOutput != INVALID_HANDLE_VALUE)
        CloseHandle(startup.hStdOutput);
    if (startup.hStdError != INVALID_HANDLE_VALUE)
        CloseHandle(startup.hStdError);
    ProgramOutcome outcome;
    if (!started)
    {
        outcome.err = "cannot start " + path;
        return outcome;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // Exception codes (0xC0000005 and the like) stand for a crash; any other
    // code is seen modulo 256, as a POSIX shell sees an exit status.
    outcome.status =
        (code & 0xF0000000u) == 0xC0000000u ? 1000 + static_cast<int>(code & 0xFF) : static_cast<int>(code & 0xFF);
    outcome.out = capture.Text("stdout");
    outcome.err = capture.Text("stderr");
    return outcome;
}
#else
namespace
{
// Argument and environment arrays for exec, made before the fork; the strings
// outlive the arrays.
struct ExecArrays
{
    std::vector<std::string> arguments, environment;
    std::vector<char*> argv, envp;

    ExecArrays(const std::string& program, const std::vector<std::string>& args, const Launch& launch)
    {
        arguments.push_back(launch.argument0.empty() ? program : launch.argument0);
        arguments.insert(arguments.end(), args.begin(), args.end());
        for (char** e = environ; *e; ++e)
            environment.push_back(*e);
        environment.insert(environment.end(), launch.environment.begin(), launch.environment.end());
        for (std::string& a : arguments)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        for (std::string& e : environment)
            envp.push_back(&e[0]);
        envp.push_back(nullptr);
    }
};

int OpenForChild(const std::string& path, int flags)
{
    return open(path.c_str(), flags | O_CLOEXEC, 0600);
}

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void Exec(const std::string& program, const ExecArrays& exec, const Launch& launch)
{
    if (launch.fileSizeLimit >= 0)
    {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {static_cast<rlim_t>(launch.fileSizeLimit), static_cast<rlim_t>(launch.fileSizeLimit)};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int number : launch.pendingSignals)
        sigaddset(&blocked, number);
    sigprocmask(SIG_BLOCK, &blocked, nullptr);
    for (int number : launch.pendingSignals)
        kill(getpid(), number);
    execve(program.c_str(), exec.argv.data(), exec.envp.data());
    _exit(127);
}

// Starts the program with its three streams on the given descriptors, which
// the caller closes afterwards; -1 when it cannot start.
pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments, const Launch& launch, int out,
            int err)
{
    const int in = OpenForChild(launch.in, O_RDONLY);
    const ExecArrays exec(program, arguments, launch);
    const pid_t pid = in >= 0 && out >= 0 && err >= 0 ? fork() : -1;
    if (pid == 0)
    {
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        Exec(program, exec, launch);
    }
    if (in >= 0)
        close(in);
    return pid;
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

ProgramOutcome RunOnTerminal(const std::string& program, const std::vector<std::string>& arguments,
                             const Launch& launch)
{
    const ExecArrays exec(program, arguments, launch);
    ProgramOutcome outcome;
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0)
    {
        outcome.err = "no pseudo-terminal";
        return outcome;
    }
    if (pid == 0)
        Exec(program, exec, launch);
    outcome.out = Drain(master);
    close(master);
    outcome.status = FinishProgram(pid);
    return outcome;
}
} // namespace

int FinishProgram(int pid)
{
    int wstatus = 0;
    if (pid < 0)
        return -1;
    while (waitpid(pid, &wstatus, 0) < 0)
    {
        if (errno != EINTR)
            return -1;
    }
    if (WIFEXITED(wstatus))
        return WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus))
        return 1000 + WTERMSIG(wstatus);
    return -1;
}

ProgramOutcome RunProgram(const std::string& program, const std::vector<std::string>& arguments, const Launch& launch)
{
    if (launch.terminal)
        return RunOnTerminal(program, arguments, launch);
    TempDir capture;
    const int out = OpenForChild(capture.Path("stdout"), O_WRONLY | O_CREAT | O_TRUNC);
    const int err = OpenForChild(capture.Path("stderr"), O_WRONLY | O_CREAT | O_TRUNC);
    const pid_t pid = Spawn(program, arguments, launch, out, err);
    for (int fd : {out, err})
    {
        if (fd >= 0)
            close(fd);
    }
    ProgramOutcome outcome;
    if (pid < 0)
    {
        outcome.err = "cannot start " + program;
        return outcome;
    }
    outcome.status = FinishProgram(pid);
    outcome.out = capture.Text("stdout");
    outcome.err = capture.Text("stderr");
    return outcome;
}

int StartProgram(const std::string& program, const std::vector<std::string>& arguments, const Launch& launch)
{
    const int nowhere = OpenForChild("/dev/null", O_WRONLY);
    const pid_t pid = Spawn(program, arguments, launch, nowhere, nowhere);
    if (nowhere >= 0)
        close(nowhere);
    return pid;
}

ProgramOutcome RunAndInterrupt(const std::string& program, const std::vector<std::string>& arguments)
{
    ProgramOutcome outcome;
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return outcome;
    const int nowhere = OpenForChild("/dev/null", O_WRONLY);
    const pid_t pid = Spawn(program, arguments, Launch(), nowhere, pipeEnds[1]);
    close(pipeEnds[1]);
    if (nowhere >= 0)
        close(nowhere);
    if (pid < 0)
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
    outcome.status = FinishProgram(pid);
    return outcome;
}
#endif
} // namespace testsupport
