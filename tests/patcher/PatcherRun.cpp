#include "PatcherRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "support/TempDir.h"

extern char** environ;

namespace patchertest
{
namespace
{
std::string Text(const testsupport::Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}
} // namespace

Outcome RunPatcher(const std::vector<std::string>& arguments, const std::string& argument0)
{
    testsupport::TempDir capture;
    const std::string outPath = capture.File("stdout"), errPath = capture.File("stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<std::string> all;
    all.push_back(argument0);
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);

    Outcome outcome;
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, PATCHER_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
    {
        outcome.err = "cannot start " PATCHER_PATH;
        return outcome;
    }
    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR)
    {
    }
    if (WIFEXITED(wstatus))
        outcome.status = WEXITSTATUS(wstatus);
    else if (WIFSIGNALED(wstatus))
        outcome.status = 1000 + WTERMSIG(wstatus);
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
