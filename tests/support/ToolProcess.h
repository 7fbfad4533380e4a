// The ulog tool as a child process: where it is built, starting it with its output in files, and
// waiting for it.
#ifndef ULOG_TEST_TOOL_PROCESS_H
#define ULOG_TEST_TOOL_PROCESS_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ulogtest
{
// The built tool: under $ULOG_TEST_BIN, else under the build directory of this test program.
inline std::string ToolPath()
{
    const char* bin = std::getenv("ULOG_TEST_BIN");
    std::string build = (bin != nullptr) ? bin : "";
    if (build.empty())
        build = std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path().string();
    return build + "/tools/ulog/ulog";
}

inline std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A started tool process whose standard output and error go to files.
struct ToolChild
{
    pid_t pid = -1;
    std::string outPath;
    std::string errPath;
};

inline ToolChild SpawnTool(const std::vector<std::string>& args, const std::string& outPath,
                           const std::string& errPath)
{
    ToolChild child;
    child.outPath = outPath;
    child.errPath = errPath;
    const std::string tool = ToolPath();
    std::vector<std::string> argv = {tool};
    argv.insert(argv.end(), args.begin(), args.end());
    child.pid = fork();
    if (child.pid == 0)
    {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
            _exit(127);
        std::vector<char*> cargv;
        for (std::string& a : argv)
            cargv.push_back(a.data());
        cargv.push_back(nullptr);
        execv(tool.c_str(), cargv.data());
        _exit(127);
    }
    return child;
}

// The exit status (0-255), or -signal when the child was killed; -1000 when it cannot be waited for.
inline int WaitTool(const ToolChild& child)
{
    int status = 0;
    if (child.pid <= 0 || waitpid(child.pid, &status, 0) != child.pid)
        return -1000;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? -WTERMSIG(status) : -1000;
}
} // namespace ulogtest

#endif
