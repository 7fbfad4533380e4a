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
using ulogtest::Holds;
using ulogtest::Listing;
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

    // A change that failed: status 1, one line on standard error, and no claim that it was made.
    static void ExpectRefused(const ToolResult& r, const char* claim, const std::string& what)
    {
        EXPECT_EQ(r.code, 1) << what << ": " << r.out;
        EXPECT_FALSE(Holds(r.out, {claim})) << what;
        EXPECT_EQ(CountLines(r.err), 1) << what << ": " << r.err;
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
        ExpectRefused(Run({"add", "call", "--dir", "out", "--number", "0101"}), "stored", "add " + target);
        ExpectError(Run({"list"}), 1, "outside the data root", "list " + target);
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
        for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                 {"list"}, {"--json", "list"}, {"show", "1"}, {"history", "1"}, {"stats"}})
            ExpectError(Run(args), 1, c.reason, testing::PrintToString(args) + ", " + c.what);
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
    ExpectError(Run({"show", "1"}, missing), 1, "no log with id 1", "show");
    EXPECT_FALSE(fs::exists(m_dir + "/typo"));
}

TEST_F(ToolFailuresTest, ReadOnlyRootIsListedWhileAddAndDeleteFailAndClaimNothing)
{
    Ok({"add", "call", "--dir", "out", "--number", "0101", "--name", "Alice", "--start", "1700000000"});
    Ok({"add", "message", "--dir", "received", "--number", "0202", "--start", "1700000100"});
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
    EXPECT_TRUE(Holds(r.out, {"Alice"}));

    ASSERT_TRUE(RunReadOnly({"add", "call", "--dir", "in", "--number", "0303"}, r));
    ExpectRefused(r, "stored", "add");
    ASSERT_TRUE(RunReadOnly({"delete", "1"}, r));
    ExpectRefused(r, "deleted", "delete 1");
    ASSERT_TRUE(RunReadOnly({"delete", "--all"}, r));
    ExpectRefused(r, "deleted", "delete --all");

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

    ExpectRefused(
        {std::atoi(ReadWholeFile(m_dir + "/rc2").c_str()), ReadWholeFile(Out(2)), ReadWholeFile(Err(2))},
        "stored", "add on a full disk");
    // The list still reads, and holds the first event only.
    EXPECT_EQ(ReadWholeFile(m_dir + "/rc3"), "0\n") << ReadWholeFile(Err(3));
    EXPECT_TRUE(Holds(ReadWholeFile(Out(3)), {"0101"}));
    EXPECT_FALSE(Holds(ReadWholeFile(Out(3)), {"0202"}));
}

TEST_F(ToolFailuresTest, StoredControlCharactersAreShownEscapedNeverRaw)
{
    Ok({"add", "call", "--dir", "out", "--number", "0101", "--name", "Plain", "--start", "1700000000"});
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
        EXPECT_TRUE(Holds(r.out, {"Eve\\n2     missed           Mallory\\x1b[2J\\u009b31m\\\\"}));
    }
    EXPECT_EQ(CountLines(Run({"list"}).out), 1);
    EXPECT_EQ(CountLines(Run({"show", "1"}).out), 12);
    // JSON keeps its own escapes.
    EXPECT_TRUE(Holds(Run({"--json", "list"}).out, {"Eve\\n2     missed           Mallory\\u001b[2J"}));
}

TEST_F(ToolFailuresTest, StartCreatesAnIndexThatWentMissing)
{
    Ok({"add", "call", "--dir", "out", "--number", "0101"});
    Sql("drop index DistinctIndexSortIdx");
    Sql("drop index DuplMulIdxParentId_SortIndex");
    ASSERT_TRUE(Sql("select name from sqlite_master where name = 'DistinctIndexSortIdx'").empty());

    // Reading does not repair (it changes nothing); the next start that may write does.
    EXPECT_EQ(Run({"list"}).code, 0);
    EXPECT_TRUE(Sql("select name from sqlite_master where name = 'DistinctIndexSortIdx'").empty());
    Ok({"add", "call", "--dir", "in", "--number", "0202"});
    EXPECT_EQ(Sql("select name from sqlite_master where name in ('DistinctIndexSortIdx', "
                  "'DuplMulIdxParentId_SortIndex') order by name"),
              (std::vector<std::string>{"DistinctIndexSortIdx", "DuplMulIdxParentId_SortIndex"}));
}
} // namespace
