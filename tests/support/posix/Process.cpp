#include "tests/support/Process.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace NQuillonTest
{
struct CProcess
{
    pid_t m_Pid;
};

CProcess* gf_StartProcess(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
#ifdef QUILLON_TEST_EMULATOR
    // The programs of a cross build start through the emulator that runs the tests: the host
    // need not be able to run them itself.
    std::string emulator = QUILLON_TEST_EMULATOR;
    argv.push_back(emulator.data());
#endif
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return nullptr;
    return new CProcess{pid};
}

int gf_WaitProcess(CProcess* process)
{
    if (!process)
        return -1;
    int status = 0;
    const pid_t pid = process->m_Pid;
    delete process;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
} // namespace NQuillonTest
