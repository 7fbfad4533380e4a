// The ulog tool as a child process: where it is built, starting it with its output in files, waiting
// for it, and a fixture that runs it on a data root of its own.
#ifndef ULOG_TEST_TOOL_PROCESS_H
#define ULOG_TEST_TOOL_PROCESS_H

#include "support/DataFiles.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ulogtest
{
// The built tool (its path is given by the build).
inline std::string ToolPath()
{
    return ULOG_TOOL_PATH;
}

inline int CountLines(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// A started tool process whose standard output and error go to files.
struct ToolChild
{
    pid_t pid = -1;
    std::string outPath;
    std::string errPath;
};

// Starts the tool. env: "NAME=value" sets a variable, a plain "NAME" removes it; cwd, when not empty,
// is the working directory.
inline ToolChild SpawnTool(const std::vector<std::string>& args, const std::string& outPath,
                           const std::string& errPath, const std::vector<std::string>& env = {},
                           const std::string& cwd = "")
{
    ToolChild child;
    child.outPath = outPath;
    child.errPath = errPath;
    const std::string tool = ToolPath();
    std::vector<std::string> argv = {tool};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> envv;
    for (char** e = environ; *e != nullptr; ++e)
    {
        const std::string entry = *e;
        bool bChanged = false;
        for (const std::string& change : env)
            bChanged |= entry.rfind(change.substr(0, change.find('=')) + "=", 0) == 0;
        if (!bChanged)
            envv.push_back(entry);
    }
    for (const std::string& change : env)
        if (change.find('=') != std::string::npos)
            envv.push_back(change);
    std::vector<char*> cargv, cenv;
    for (std::string& a : argv)
        cargv.push_back(a.data());
    cargv.push_back(nullptr);
    for (std::string& e : envv)
        cenv.push_back(e.data());
    cenv.push_back(nullptr);
    child.pid = fork();
    if (child.pid == 0)
    {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
            (!cwd.empty() && chdir(cwd.c_str())))
            _exit(127);
        execve(tool.c_str(), cargv.data(), cenv.data());
        _exit(127);
    }
    return child;
}

// The exit status (0-255), or -signal when the child was killed; -1000 when it cannot be waited for.
inline int WaitTool(const ToolChild& child)
{
    int status = 0;
    pid_t pid;
    while ((pid = waitpid(child.pid, &status, 0)) < 0 && errno == EINTR)
        ;
    if (child.pid <= 0 || pid != child.pid)
        return -1000;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? -WTERMSIG(status) : -1000;
}

struct ToolResult
{
    int code = -1;
    std::string out;
    std::string err;
};

// Runs the tool to its end; its output goes through <dir>/<tag>.out and .err.
inline ToolResult RunTool(const std::vector<std::string>& args, const std::string& dir,
                          const std::vector<std::string>& env = {}, const std::string& cwd = "",
                          const std::string& tag = "run")
{
    const ToolChild child = SpawnTool(args, dir + "/" + tag + ".out", dir + "/" + tag + ".err", env, cwd);
    ToolResult r;
    r.code = WaitTool(child);
    r.out = ReadWholeFile(child.outPath);
    r.err = ReadWholeFile(child.errPath);
    return r;
}

// A temporary directory of the test's own; the data root "root" in it is not made.
class ToolTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(std::filesystem::exists(ToolPath())) << ToolPath() << " is not built";
        m_dir = MakeTempDir("ulogtool");
        ASSERT_FALSE(m_dir.empty());
        m_root = m_dir + "/root";
    }
    void TearDown() override { RemoveTree(m_dir); }

    // Runs the tool on a data root (the test's by default), with no data root, diagnostics, locale or
    // zone from the environment.
    ToolResult Run(std::vector<std::string> args, const std::string& root = "",
                   const std::string& tag = "run") const
    {
        args.insert(args.begin(), {"--root", root.empty() ? m_root : root});
        return RunTool(args, m_dir, {"ULOG_ROOT", "ULOG_DEBUG_STDERR", "ULOG_TZ", "ULOG_LOCALE"}, "", tag);
    }
    // Runs a command that must succeed with nothing on standard error; its standard output.
    std::string Ok(const std::vector<std::string>& args) const
    {
        const ToolResult r = Run(args);
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err, "");
        return r.out;
    }
    // An error: the status, nothing on standard output, one line "ulog: ..." holding the text on
    // standard error.
    static void ExpectError(const ToolResult& r, int code, const std::string& text, const std::string& what)
    {
        EXPECT_EQ(r.code, code) << what << ": " << r.out << r.err;
        EXPECT_EQ(r.out, "") << what;
        EXPECT_EQ(CountLines(r.err), 1) << what << ": " << r.err;
        EXPECT_EQ(r.err.rfind("ulog: ", 0), 0u) << what << ": " << r.err;
        EXPECT_NE(r.err.find(text), std::string::npos) << what << ": " << r.err;
    }

    std::string m_dir;
    std::string m_root;
};
} // namespace ulogtest

#endif
