// The service entry: start and stop through UlogSvcDispatch and the published class object.
#include "support/PlatformFixture.h"

#include "KivAppSvcFramework/ContentMgr.h"
#include "KivCore/KivCore.h"
#include "UlogSvc.h"
#include "UlogSvcCfPlugin/CUlogQueryHandler.h"
#include "UlogSvcECOM/UlogSvcECOM.h"
#include "UlogSvcMgr/CUlogSvcMgr.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"
#include "control/PlatformControl.h"
#include "support/DataFiles.h"

#include <filesystem>
#include <string>

extern "C" BOOL UlogAddCallLog(UlogInfo* pUlogInfo) __attribute__((weak));

namespace
{
class DispatchTest : public ulogtest::PlatformTest
{
protected:
    void TearDown() override
    {
        // Leave the process as loaded: nothing registered, no mutexes.
        SysUnregisterClass(0, ULOG_SVC_CLASS_ID);
        CUlogSvcMutex::Delete();
        CUlogSvcAccountMutex::Delete();
        ulogtest::PlatformTest::TearDown();
    }

    // Names of the database's objects of one kind, read straight from the database file.
    int CountObjects(const char* kind, const char* table)
    {
        return static_cast<int>(ulogtest::ScalarDbFile(
            m_root, std::string("select count(*) from sqlite_master where type = '") + kind +
                        "' and tbl_name = '" + table + "' and name not like 'sqlite%'"));
    }
};
} // namespace

TEST_F(DispatchTest, StartOnAnEmptyRootCreatesTheTablesAndPublishesTheClass)
{
    EXPECT_EQ(SysGetClassObject(ULOG_SVC_CLASS_ID), nullptr);
    EXPECT_EQ(UlogSvcDispatch(0), 0u);
    EXPECT_EQ(CountObjects("table", "UlogDistinctDbTable"), 1);
    EXPECT_EQ(CountObjects("table", "UlogDuplDbTable"), 1);
    EXPECT_EQ(CountObjects("index", "UlogDistinctDbTable") + CountObjects("index", "UlogDuplDbTable"), 24);
    EXPECT_EQ(SysGetClassObject(ULOG_SVC_CLASS_ID), UlogSvcGetClassObject());
    EXPECT_NE(CUlogSvcMutex::m_hMutex, INVALID_HOBJ);
    EXPECT_NE(CUlogSvcAccountMutex::m_hAccountMutex, INVALID_HOBJ);
    EXPECT_EQ(CContentMgr::Instance()->FindFactory("ulog/log/distinct"),
              CUlogQueryHandlerFactory::Instance());
    EXPECT_FALSE(UlogCtlDiagnosticsContain("no need to sync data"));

    // A second start runs its whole sequence again; the registration then fails.
    EXPECT_EQ(UlogSvcDispatch(0), static_cast<unsigned int>(-1));
    EXPECT_EQ(CountObjects("index", "UlogDistinctDbTable"), 15);
}

TEST_F(DispatchTest, AnUnknownCommandDoesNothingAndStopWithdrawsTheClassAndTheMutexes)
{
    // On the fresh data root, an unknown command is reported and starts nothing.
    EXPECT_EQ(UlogSvcDispatch(2), 0u);
    EXPECT_EQ(UlogCtlGetAssertCount(), 1);
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("ASSERTION_NEVER_GET_HERE: NEVER_GET_HERE (UlogSvcECOM/UlogSvcECOM:166)"));
    EXPECT_EQ(SysGetClassObject(ULOG_SVC_CLASS_ID), nullptr);
    EXPECT_FALSE(Db2CheckTable("UlogDistinctDbTable"));
    EXPECT_EQ(UlogSvcDispatch(0xFFFFFFFFu), 0u);

    ASSERT_EQ(UlogSvcDispatch(0), 0u);
    EXPECT_EQ(UlogSvcDispatch(1), 0u);
    // The database is closed, its journal emptied (the tables made at start are in the file); the next
    // call opens it again.
    std::error_code ec;
    const std::uintmax_t nJournal = std::filesystem::file_size(m_root + "/System/ulog.db-wal", ec);
    EXPECT_TRUE(nJournal == 0 || ec) << nJournal;
    EXPECT_TRUE(Db2CheckTable("UlogDistinctDbTable"));
    EXPECT_EQ(SysGetClassObject(ULOG_SVC_CLASS_ID), nullptr);
    EXPECT_EQ(CUlogSvcMutex::m_hMutex, INVALID_HOBJ);
    EXPECT_EQ(CUlogSvcAccountMutex::m_hAccountMutex, INVALID_HOBJ);
    // The managers stay; a lock taken now runs unlocked and says so.
    UlogCtlClearDiagnostics();
    EXPECT_NE(CUlogSvcMgr::Instance(), nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcMutex::Lock: m_hMutex is invalid.\n"));
    // A stop without a start gives the unregistration's failure.
    EXPECT_EQ(UlogSvcDispatch(1), static_cast<unsigned int>(-1));
}

TEST_F(DispatchTest, DataAboutToBeWipedIsAnnouncedAndStartCompletes)
{
    UlogCtlSetPhsStatus(58, 1);
    EXPECT_EQ(UlogSvcDispatch(0), 0u);
    EXPECT_TRUE(UlogCtlDiagnosticsContain(
        "UlogSvcDispatch: Ulogs db data will be deleted. no need to sync data!!\n"));
    EXPECT_EQ(SysGetClassObject(ULOG_SVC_CLASS_ID), UlogSvcGetClassObject());
    ASSERT_EQ(UlogSvcDispatch(1), 0u);

    for (int status : {2, -1, 0})
    {
        UlogCtlReset(m_root.c_str());
        UlogCtlCaptureDiagnostics(TRUE);
        UlogCtlSetPhsStatus(58, status);
        EXPECT_EQ(UlogSvcDispatch(0), 0u) << status;
        EXPECT_FALSE(UlogCtlDiagnosticsContain("no need to sync data")) << status;
        ASSERT_EQ(UlogSvcDispatch(1), 0u);
    }
}

TEST_F(DispatchTest, ClassObjectCountsReferencesThroughItsTable)
{
    UlogSvcClassObject* obj = UlogSvcGetClassObject();
    ASSERT_NE(obj, nullptr);
    ASSERT_NE(obj->pVtbl, nullptr);
    EXPECT_EQ(obj->nRefCount, 0u);
    EXPECT_EQ(obj->nReserved, 0u);
    EXPECT_EQ(obj->pVtbl->pfnAddRef(obj), 1u);
    EXPECT_EQ(obj->pVtbl->pfnAddRef(obj), 2u);
    EXPECT_EQ(obj->pVtbl->pfnRelease(obj), 1u);
    EXPECT_EQ(obj->nRefCount, 1u);
    EXPECT_EQ(obj->pVtbl->pfnRelease(obj), 0u);
    EXPECT_EQ(obj->pVtbl->pfnReserved, nullptr);
    // Entry 3 is the exported call-log function itself.
    EXPECT_EQ(reinterpret_cast<void*>(obj->pVtbl->pfnAddCallLog), reinterpret_cast<void*>(&UlogAddCallLog));
    // Starting and stopping leave the count alone.
    ASSERT_EQ(UlogSvcDispatch(0), 0u);
    ASSERT_EQ(UlogSvcDispatch(1), 0u);
    EXPECT_EQ(obj->nRefCount, 0u);
}
