// Helpers of the tool's tests.

#include "CliRun.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "rap/DeRap.h"

namespace clitest
{
std::vector<std::string> CliTest::Listing(const std::string& folder) const
{
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(folder.empty() ? dir.Path() : dir.File(folder)))
        names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

namespace
{
// In the child, between fork and exec: only async-signal-safe calls.
void Redirect(const char* path, int flags, int target)
{
    const int file = open(path, flags, 0644);
    if (file >= 0 && file != target)
    {
        dup2(file, target);
        close(file);
    }
}
} // namespace

int Start(const std::vector<std::string>& arguments, const Launch& launch)
{
    std::vector<std::string> words = {OSTREL_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(&word[0]);
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    Redirect(launch.in.c_str(), O_RDONLY, 0);
    Redirect(launch.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 1);
    Redirect("/dev/null", O_WRONLY, 2);
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
    execv(argv[0], argv.data());
    _exit(127);
}

int Finish(int pid)
{
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFSIGNALED(status) ? 1000 + WTERMSIG(status) : WEXITSTATUS(status);
}

std::string LibraryText(const testsupport::Bytes& config, const std::string& name)
{
    testsupport::Bytes copy = config;
    DeRap decoder;
    if (!decoder.SetAsRapData(copy.data(), static_cast<unsigned>(copy.size()), name.c_str()))
        return "(not a config)";
    const char* text = nullptr;
    if (decoder.ConvertRapData(&text) != 0 || !text)
        return "(conversion failed)";
    return text;
}
} // namespace clitest
