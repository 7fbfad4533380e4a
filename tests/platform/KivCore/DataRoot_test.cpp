// The data root's borders for the database and the diagnostics file (links on the way, links in the
// files' places), and a data root given read-only.
#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
using ulogtest::Listing;

class DataRootTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        m_outside = ulogtest::MakeTempDir("ulogtest-outside");
        ASSERT_FALSE(m_outside.empty());
    }
    void TearDown() override
    {
        ulogtest::PlatformTest::TearDown();
        ulogtest::RemoveTree(m_outside);
    }
    // The first use of the database after a reset, with the thread's last error cleared before.
    int FirstStatement()
    {
        UlogCtlReset(m_root.c_str());
        UlogCtlCaptureDiagnostics(TRUE);
        SysSetLastError(SYS_ERR_NONE);
        return Db2QueryEx("create table t (a int)");
    }
    std::string System() const { return m_root + "/System"; }

    std::string m_outside;
};

TEST_F(DataRootTest, SystemFolderLinkedOutsideIsRefusedForDatabaseAndDiagnostics)
{
    for (const std::string& target : {std::string(), std::string("/missing")}) // existing, then dangling
    {
        fs::remove_all(System());
        fs::create_directory_symlink(m_outside + target, System());
        EXPECT_EQ(FirstStatement(), -1) << target;
        EXPECT_EQ(SysGetLastError(), SYS_ERR_OUTSIDE_ROOT) << target;
        EXPECT_TRUE(UlogCtlDiagnosticsContain("leads outside the data root")) << target;
        EXPECT_FALSE(Db2CheckTable("t"));
        SysDebugPrintf(SYS_DBG_FAIL, "Diag: a failure worth a line\n");
        EXPECT_EQ(Listing(m_outside), std::vector<std::string>()) << target;
    }
}

TEST_F(DataRootTest, LinksInTheDatabaseFilesPlacesAreRefused)
{
    fs::create_directory(System());
    for (const char* name : {"ulog.db", "ulog.db-wal", "ulog.db-shm", "ulog.db-journal"})
    {
        // Leading out of the root (dangling: nothing there yet), then staying inside it.
        fs::create_symlink(m_outside + "/" + name, System() + "/" + name);
        EXPECT_EQ(FirstStatement(), -1) << name;
        EXPECT_EQ(SysGetLastError(), SYS_ERR_OUTSIDE_ROOT) << name;
        EXPECT_TRUE(UlogCtlDiagnosticsContain("outside the data root")) << name;
        EXPECT_EQ(Listing(m_outside), std::vector<std::string>()) << name;
        fs::remove(System() + "/" + name);

        fs::create_symlink("elsewhere", System() + "/" + name);
        EXPECT_EQ(FirstStatement(), -1) << name;
        EXPECT_EQ(SysGetLastError(), SYS_ERR_BAD_PATH) << name;
        EXPECT_FALSE(fs::exists(System() + "/elsewhere")) << name;
        fs::remove(System() + "/" + name);
    }
    // Nothing in the way any more: the database opens.
    EXPECT_EQ(FirstStatement(), 0);
}

TEST_F(DataRootTest, LinksThatStayUnderTheRootAreFollowed)
{
    fs::create_directory(m_root + "/Data");
    fs::create_directory_symlink("Data", System());
    EXPECT_EQ(FirstStatement(), 0);
    SysDebugPrintf(SYS_DBG_FAIL, "Diag: written through the folder link\n");
    EXPECT_TRUE(fs::is_regular_file(m_root + "/Data/ulog.db"));
    EXPECT_TRUE(fs::is_regular_file(m_root + "/Data/debug.log"));
    // The file layer agrees.
    HOBJ h = FmCreateFile("/System/note.txt", 1);
    EXPECT_NE(h, INVALID_HOBJ);
    FmCloseFile(h);
    EXPECT_TRUE(fs::is_regular_file(m_root + "/Data/note.txt"));
}

TEST_F(DataRootTest, DiagnosticsFileLinkedOutsideIsNeverWritten)
{
    fs::create_directory(System());
    fs::create_symlink(m_outside + "/planted.log", System() + "/debug.log");
    UlogCtlReset(m_root.c_str());
    UlogCtlCaptureDiagnostics(TRUE);
    SysSetLastError(SYS_ERR_NONE);
    SysDebugPrintf(SYS_DBG_FAIL, "Diag: must not leave the root\n");
    EXPECT_EQ(SysGetLastError(), SYS_ERR_OUTSIDE_ROOT);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("System/debug.log leads outside the data root"));
    SysDebugPrintf(SYS_DBG_FAIL, "Diag: nor does the next one\n");
    EXPECT_EQ(Listing(m_outside), std::vector<std::string>());
    EXPECT_TRUE(fs::is_symlink(System() + "/debug.log"));

    // The file layer names the cause too.
    fs::create_directory_symlink(m_outside, m_root + "/out");
    SysSetLastError(SYS_ERR_NONE);
    EXPECT_EQ(FmCreateFile("/out/x.txt", 1), INVALID_HOBJ);
    EXPECT_EQ(SysGetLastError(), SYS_ERR_OUTSIDE_ROOT);
}

TEST_F(DataRootTest, DiagnosticsNeverMakeARemovedDataRootAgain)
{
    SysDebugPrintf(SYS_DBG_FAIL, "Diag: first line\n");
    ASSERT_TRUE(fs::exists(System() + "/debug.log"));
    UlogCtlReset(m_root.c_str()); // the file is closed
    fs::remove_all(m_root);
    SysDebugPrintf(SYS_DBG_FAIL, "Diag: after the root was removed\n");
    EXPECT_FALSE(fs::exists(m_root));
    fs::create_directory(m_root);
    SysDebugPrintf(SYS_DBG_FAIL, "Diag: the root is back\n");
    EXPECT_TRUE(fs::exists(System() + "/debug.log"));
}

// ---- Read-only data root --------------------------------------------------------------------------

TEST_F(DataRootTest, MissingReadOnlyRootReadsAsEmptyAndIsNotCreated)
{
    const std::string missing = m_root + "/not/there";
    ASSERT_TRUE(UlogCtlResetReadOnly(missing.c_str()));
    UlogCtlCaptureDiagnostics(TRUE);
    EXPECT_TRUE(Db2IsReadOnly());
    EXPECT_FALSE(Db2CheckTable("t"));
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from sqlite_master"), 0);
    // Only in-memory stand-ins may be made; their rows cannot be written either.
    EXPECT_EQ(Db2QueryEx("create temp table t (a int)"), 0);
    EXPECT_EQ(Db2QueryEx("select * from t"), 0);
    SysSetLastError(SYS_ERR_NONE);
    EXPECT_EQ(Db2QueryEx("insert into t values (1)"), -1);
    EXPECT_EQ(SysGetLastError(), SYS_ERR_READ_ONLY);
    EXPECT_EQ(Db2QueryEx("create table u (a int)"), -1);

    // No file, folder, registry flush or setting is written, and diagnostics go to no file.
    SysSetLastError(SYS_ERR_NONE);
    EXPECT_FALSE(FmCreateDir("/User"));
    EXPECT_EQ(SysGetLastError(), SYS_ERR_READ_ONLY);
    EXPECT_EQ(FmCreateFile("/User/a.txt", 22), INVALID_HOBJ);
    const HOBJ hReg = RegLoad("Ulog.ini", 1);
    ASSERT_NE(hReg, INVALID_HOBJ);
    EXPECT_TRUE(RegSetInt(hReg, "S", "k", 1));
    EXPECT_FALSE(RegFlush(hReg));
    RegUnload(hReg);
    EXPECT_FALSE(NvWriteInt(459, 5));
    EXPECT_EQ(NvGetInt(459), 0);
    SysDebugPrintf(SYS_DBG_FAIL, "Diag: nowhere to go\n");
    UlogCtlWaitForStores();
    EXPECT_FALSE(fs::exists(m_root + "/not"));

    // A normal reset ends the mode.
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_FALSE(Db2IsReadOnly());
    EXPECT_EQ(Db2QueryEx("create table u (a int)"), 0);
}

TEST_F(DataRootTest, ReadOnlyRootReadsTheDatabaseAndRefusesEveryWrite)
{
    ASSERT_EQ(Db2QueryEx("create table t (a int)"), 0);
    ASSERT_EQ(Db2QueryEx("insert into t values (1)"), 1);
    ASSERT_EQ(Db2QueryEx("insert into t values (2)"), 1);

    ASSERT_TRUE(UlogCtlResetReadOnly(m_root.c_str()));
    EXPECT_TRUE(Db2CheckTable("t"));
    EXPECT_EQ(Db2QueryRecordCount("select sum(a) from t"), 3);
    SysSetLastError(SYS_ERR_NONE);
    EXPECT_EQ(Db2QueryEx("insert into t values (3)"), -1);
    EXPECT_EQ(SysGetLastError(), SYS_ERR_READ_ONLY);
    EXPECT_EQ(Db2QueryEx("delete from t"), -1);
    EXPECT_EQ(Db2QueryEx("create index ta on t (a)"), -1);

    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from t"), 2);

    // Something other than a directory in the root's place is refused.
    EXPECT_FALSE(UlogCtlResetReadOnly((System() + "/ulog.db").c_str()));
}

} // namespace
