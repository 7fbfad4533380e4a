// The ulog tool, run as a subprocess, where its data root works against it: links leading out of the
// root, a database that cannot be read, a missing root, a read-only root, a full disk, and stored text
// that would steer the terminal. Read-only and full file systems are mounted in a private mount
// namespace (unshare); where that is not allowed those cases are skipped.
#include "support/DataFiles.h"
#include "support/ToolProcess.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
using ulogtest::CountLines;
using ulogtest::ReadWholeFile;
using ulogtest::ToolResult;

const int kMountRefused = 97; // exit status of a namespace script whose mount failed

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

using ulogtest::Listing;

class ToolFailuresTest : public ulogtest::ToolTest
{
protected:
    void SetUp() override
    {
        ulogtest::ToolTest::SetUp();
        m_outside = m_dir + "/outside";
        fs::create_directory(m_outside);
    }

    // The shell command running the tool on a root, its output going to files of the test's directory.
    std::string Command(const std::string& root, const std::vector<std::string>& args, int n) const
    {
        std::string cmd =
            "env -u ULOG_ROOT -u ULOG_DEBUG_STDERR " + Quote(ulogtest::ToolPath()) + " --root " + Quote(root);
        for (const std::string& a : args)
            cmd += " " + Quote(a);
        return cmd + " >" + Quote(Out(n)) + " 2>" + Quote(Err(n));
    }
    std::string Out(int n) const { return m_dir + "/out" + std::to_string(n) + ".txt"; }
    std::string Err(int n) const { return m_dir + "/err" + std::to_string(n) + ".txt"; }

    static int Status(const std::string& shell)
    {
        const int status = std::system(shell.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Runs the tool once with the root bind-mounted read-only in a private mount namespace; false when
    // mounting is not allowed here.
    bool RunReadOnly(const std::vector<std::string>& args, ToolResult& r)
    {
        const std::string script = "mount --bind " + Quote(m_root) + " " + Quote(m_root) +
                                   " && mount -o remount,bind,ro " + Quote(m_root) + " || exit " +
                                   std::to_string(kMountRefused) + "; " + Command(m_root, args, 1);
        const int code = Status("unshare -m sh -c " + Quote(script) + " 2>/dev/null");
        if (code == kMountRefused || code == -1 || (code == 1 && !fs::exists(Out(1))))
            return false;
        r = ToolResult{code, ReadWholeFile(Out(1)), ReadWholeFile(Err(1))};
        fs::remove(Out(1));
        return true;
    }

    // An error: status 1, nothing on standard output, one line on standard error with the text.
    void ExpectFailure(const ToolResult& r, const std::string& text, const std::string& what)
    {
        EXPECT_EQ(r.code, 1) << what << ": " << r.out << r.err;
        EXPECT_EQ(r.out, "") << what;
        EXPECT_EQ(CountLines(r.err), 1) << what << ": " << r.err;
        EXPECT_TRUE(Contains(r.err, text)) << what << ": " << r.err;
    }

    void Add(const std::vector<std::string>& args)
    {
        std::vector<std::string> all = {"add"};
        all.insert(all.end(), args.begin(), args.end());
        ToolResult r = Run(all);
        ASSERT_EQ(r.code, 0) << r.err;
    }

    std::vector<std::string> Sql(const std::string& statement)
    {
        return ulogtest::QueryDbFile(m_root, statement, false);
    }

    std::string m_outside;
};

TEST_F(ToolFailuresTest, SystemFolderLinkedOutsideTheRootIsRefusedAndNothingIsCreatedThere)
{
    fs::create_directory(m_root);
    for (const std::string& target : {m_outside, m_outside + "/missing"}) // existing, then dangling
    {
        fs::remove(m_root + "/System");
        fs::create_directory_symlink(target, m_root + "/System");
        ToolResult r = Run({"add", "call", "--dir", "out", "--number", "0101"});
        EXPECT_EQ(r.code, 1) << target << r.out;
        EXPECT_FALSE(Contains(r.out, "stored")) << target;
        EXPECT_EQ(CountLines(r.err), 1) << r.err;
        ExpectFailure(Run({"list"}), "outside the data root", "list " + target);
        EXPECT_EQ(Listing(m_outside), std::vector<std::string>()) << target;
    }
}

TEST_F(ToolFailuresTest, ReadCommandsOnADatabaseThatCannotBeReadFailWithTheReason)
{
    struct Case
    {
        const char* what;
        const char* reason;
        void (*make)(const std::string& system);
    };
    const Case cases[] = {
        {"junk bytes", "database is damaged",
         [](const std::string& system)
         {
             fs::create_directories(system);
             std::ofstream(system + "/ulog.db") << std::string(10000, '\x5a');
         }},
        {"a folder", "database cannot be opened",
         [](const std::string& system) { fs::create_directories(system + "/ulog.db"); }},
        {"System a file", "database cannot be opened",
         [](const std::string& system) { std::ofstream(system) << "not a folder"; }},
    };
    for (const Case& c : cases)
    {
        fs::remove_all(m_root);
        fs::create_directory(m_root);
        c.make(m_root + "/System");
        const std::string what = c.what;
        ExpectFailure(Run({"list"}), c.reason, "list, " + what);
        ExpectFailure(Run({"--json", "list"}), c.reason, "list --json, " + what);
        ExpectFailure(Run({"show", "1"}), c.reason, "show, " + what);
        ExpectFailure(Run({"history", "1"}), c.reason, "history, " + what);
        ExpectFailure(Run({"stats"}), c.reason, "stats, " + what);
    }
}

TEST_F(ToolFailuresTest, AMissingRootReadsAsEmptyAndIsNotCreated)
{
    const std::string missing = m_dir + "/typo/root";
    ToolResult r = Run({"list"}, missing);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "no logs\n");
    EXPECT_EQ(r.err, "");
    r = Run({"--json", "list"}, missing);
    EXPECT_EQ(r.out, "[]\n");
    r = Run({"stats"}, missing);
    EXPECT_EQ(r.code, 0) << r.err;
    r = Run({"show", "1"}, missing);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Contains(r.err, "no log with id 1")) << r.err;
    EXPECT_FALSE(fs::exists(m_dir + "/typo"));
}

TEST_F(ToolFailuresTest, ReadOnlyRootIsListedWhileAddAndDeleteFailAndClaimNothing)
{
    Add({"call", "--dir", "out", "--number", "0101", "--name", "Alice", "--start", "1700000000"});
    Add({"message", "--dir", "received", "--number", "0202", "--start", "1700000100"});
    const std::string listed = Run({"list"}).out;
    ASSERT_EQ(CountLines(listed), 2) << listed;

    ToolResult r;
    if (!RunReadOnly({"list"}, r))
        GTEST_SKIP() << "mounting in a private mount namespace is not allowed here";
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, listed);
    ASSERT_TRUE(RunReadOnly({"stats"}, r));
    EXPECT_EQ(r.code, 0) << r.err;
    ASSERT_TRUE(RunReadOnly({"show", "1"}, r));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "Alice"));

    ASSERT_TRUE(RunReadOnly({"add", "call", "--dir", "in", "--number", "0303"}, r));
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_FALSE(Contains(r.out, "stored")) << r.out;
    ASSERT_TRUE(RunReadOnly({"delete", "1"}, r));
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_FALSE(Contains(r.out, "deleted")) << r.out;
    ASSERT_TRUE(RunReadOnly({"delete", "--all"}, r));
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_FALSE(Contains(r.out, "deleted")) << r.out;

    EXPECT_EQ(Run({"list"}).out, listed);
}

TEST_F(ToolFailuresTest, AddOnAFullDiskFailsAndClaimsNothing)
{
    const std::string disk = m_dir + "/disk";
    fs::create_directory(disk);
    const std::string root = disk + "/root";
    // One namespace: a small file system, a first event, the disk filled up, a second event, a list.
    const std::string script =
        "mount -t tmpfs -o size=1m tmpfs " + Quote(disk) + " || exit " + std::to_string(kMountRefused) +
        "; " + Command(root, {"add", "call", "--dir", "out", "--number", "0101"}, 1) + "; echo $? >" +
        Quote(m_dir + "/rc1") + "; dd if=/dev/zero of=" + Quote(disk + "/fill") + " bs=4k 2>/dev/null; " +
        Command(root, {"add", "call", "--dir", "out", "--number", "0202"}, 2) + "; echo $? >" +
        Quote(m_dir + "/rc2") + "; " + Command(root, {"--json", "list"}, 3) + "; echo $? >" +
        Quote(m_dir + "/rc3");
    const int code = Status("unshare -m sh -c " + Quote(script) + " 2>/dev/null");
    if (code == kMountRefused || !fs::exists(m_dir + "/rc1"))
        GTEST_SKIP() << "mounting in a private mount namespace is not allowed here";
    ASSERT_EQ(ReadWholeFile(m_dir + "/rc1"), "0\n") << ReadWholeFile(Err(1));

    EXPECT_EQ(ReadWholeFile(m_dir + "/rc2"), "1\n") << ReadWholeFile(Out(2));
    EXPECT_FALSE(Contains(ReadWholeFile(Out(2)), "stored")) << ReadWholeFile(Out(2));
    EXPECT_EQ(CountLines(ReadWholeFile(Err(2))), 1) << ReadWholeFile(Err(2));
    // The list still reads, and holds the first event only.
    EXPECT_EQ(ReadWholeFile(m_dir + "/rc3"), "0\n") << ReadWholeFile(Err(3));
    EXPECT_TRUE(Contains(ReadWholeFile(Out(3)), "0101"));
    EXPECT_FALSE(Contains(ReadWholeFile(Out(3)), "0202")) << ReadWholeFile(Out(3));
}

TEST_F(ToolFailuresTest, StoredControlCharactersAreShownEscapedNeverRaw)
{
    Add({"call", "--dir", "out", "--number", "0101", "--name", "Plain", "--start", "1700000000"});
    // Text planted behind the tool's back: a forged list line, a terminal escape and a C1 control.
    const std::string forged = "Eve\n2     missed           Mallory\x1b[2J\xc2\x9b"
                               "31m\\";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((m_root + "/System/ulog.db").c_str(), &db), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(
        sqlite3_prepare_v2(db,
                           "update UlogDistinctDbTable set logname = ?1, firstname = ?2, lognumber = ?1, "
                           "basicnumber = ?2",
                           -1, &st, nullptr),
        SQLITE_OK);
    sqlite3_bind_text(st, 1, forged.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(st, 2, forged.c_str(), -1, SQLITE_STATIC);
    ASSERT_EQ(sqlite3_step(st), SQLITE_DONE);
    sqlite3_finalize(st);
    sqlite3_close(db);

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"list"}, std::vector<std::string>{"show", "1"},
          std::vector<std::string>{"history", "1"}})
    {
        ToolResult r = Run(args);
        EXPECT_EQ(r.code, 0) << args[0] << r.err;
        EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << args[0];
        EXPECT_EQ(r.out.find("\xc2\x9b"), std::string::npos) << args[0];
        EXPECT_TRUE(Contains(r.out, "Eve\\n2     missed           Mallory\\x1b[2J\\u009b31m\\\\")) << r.out;
    }
    EXPECT_EQ(CountLines(Run({"list"}).out), 1);
    EXPECT_EQ(CountLines(Run({"show", "1"}).out), 12);
    // JSON keeps its own escapes.
    EXPECT_TRUE(Contains(Run({"--json", "list"}).out, "Eve\\n2     missed           Mallory\\u001b[2J"));
}

TEST_F(ToolFailuresTest, StartCreatesAnIndexThatWentMissing)
{
    Add({"call", "--dir", "out", "--number", "0101"});
    Sql("drop index DistinctIndexSortIdx");
    Sql("drop index DuplMulIdxParentId_SortIndex");
    ASSERT_TRUE(Sql("select name from sqlite_master where name = 'DistinctIndexSortIdx'").empty());

    // Reading does not repair (it changes nothing); the next start that may write does.
    EXPECT_EQ(Run({"list"}).code, 0);
    EXPECT_TRUE(Sql("select name from sqlite_master where name = 'DistinctIndexSortIdx'").empty());
    Add({"call", "--dir", "in", "--number", "0202"});
    EXPECT_EQ(Sql("select name from sqlite_master where name in ('DistinctIndexSortIdx', "
                  "'DuplMulIdxParentId_SortIndex') order by name"),
              (std::vector<std::string>{"DistinctIndexSortIdx", "DuplMulIdxParentId_SortIndex"}));
}
} // namespace
