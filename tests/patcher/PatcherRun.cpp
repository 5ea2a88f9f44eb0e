// Runs the built patch program with its two output streams captured, on POSIX
// with posix_spawn and on Windows with CreateProcess.

#include "PatcherRun.h"

#include "support/TempDir.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;
#endif

namespace patchertest
{
namespace
{
std::string Text(const testsupport::Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

#if defined(_WIN32)
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
HANDLE Capture(const std::string& path)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The program sits in the test's own folder.
std::string ProgramPath()
{
    char own[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, own, sizeof own);
    std::string folder(own, length < sizeof own ? length : 0);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + PATCHER_PATH;
}

int Run(const std::vector<std::string>& all, const std::string& outPath, const std::string& errPath, Outcome& outcome)
{
    std::string commandLine;
    for (const std::string& a : all)
        commandLine += (commandLine.empty() ? "" : " ") + Quote(a);
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = Capture(outPath);
    startup.hStdError = Capture(errPath);
    PROCESS_INFORMATION process = {};
    const std::string program = ProgramPath();
    BOOL started = startup.hStdOutput != INVALID_HANDLE_VALUE && startup.hStdError != INVALID_HANDLE_VALUE &&
                   CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                  &process);
    if (startup.hStdOutput != INVALID_HANDLE_VALUE)
        CloseHandle(startup.hStdOutput);
    if (startup.hStdError != INVALID_HANDLE_VALUE)
        CloseHandle(startup.hStdError);
    if (!started)
    {
        outcome.err = "cannot start " + program;
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // Exception codes (0xC0000005 and the like) stand for a crash; any other
    // code is seen modulo 256, as a POSIX shell sees an exit status.
    return (code & 0xF0000000u) == 0xC0000000u ? 1000 + static_cast<int>(code & 0xFF) : static_cast<int>(code & 0xFF);
}
#else
int Run(const std::vector<std::string>& all, const std::string& outPath, const std::string& errPath, Outcome& outcome)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<std::string> copies = all;
    std::vector<char*> argv;
    for (std::string& a : copies)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);

    pid_t pid = 0;
    int spawned = posix_spawn(&pid, PATCHER_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
    {
        outcome.err = "cannot start " PATCHER_PATH;
        return -1;
    }
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
#endif
} // namespace

std::string DefaultArgument0()
{
#if defined(_WIN32)
    return "patcher";
#else
    return PATCHER_PATH;
#endif
}

Outcome RunPatcher(const std::vector<std::string>& arguments, const std::string& argument0)
{
    testsupport::TempDir capture;
    const std::string outPath = capture.File("stdout"), errPath = capture.File("stderr");
    std::vector<std::string> all;
    all.push_back(argument0);
    all.insert(all.end(), arguments.begin(), arguments.end());

    Outcome outcome;
    outcome.status = Run(all, outPath, errPath, outcome);
    if (outcome.status == -1)
        return outcome;
    outcome.out = Text(testsupport::ReadFile(outPath));
    outcome.err = Text(testsupport::ReadFile(errPath));
    return outcome;
}

std::string VersionLine(const std::string& program)
{
    return program + " Version 1.41\n";
}

std::string SyntaxText(const std::string& program)
{
    return "Syntax: " + program + " [-option] PatchPbo[.pbo] TargetPbo[.pbo]\r\n"
           "\tOption will override detected pbo types\r\n"
           "\t-A Arma\r\n"
           "\t-APrefix Arma Prefix filename\r\n"
           "\t-a Arma no sha-key\r\n"
           "\t-c CWC\r\n"
           "\t-e Elite\r\n"
           "\t-r Resistance\r\n"
           "\tOuput is to <Target>.patched.pbo\r\n";
}
} // namespace patchertest
