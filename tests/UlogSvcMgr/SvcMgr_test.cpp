// The service manager's initialisation and exit.
#include "support/PlatformFixture.h"

#include "UlogSvcDbMgr/ContentTestLogs.h"

#include "H/UlogSvcPtr.h"
#include "KivAppSvcFramework/ContentMgr.h"
#include "KivAppSvcFramework/KivAppSvcFrameworkInternal.h"
#include "KivCore/KivCore.h"
#include "UlogSvcCfPlugin/CUlogQueryHandler.h"
#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "UlogSvcMgr/CUlogSvcMgr.h"
#include "control/PlatformControl.h"

using SvcMgrTest = ulogtest::PlatformTest;

// (The tables and the query handler a start makes: the dispatch test.)
TEST_F(SvcMgrTest, InitBringsUpTheDatabaseManager)
{
    CUlogSvcMgr* mgr = CUlogSvcMgr::Instance();
    ASSERT_NE(mgr, nullptr);
    EXPECT_STREQ(CUlogSvcMgr::GetSnsSyncUri(), "kiv.content.sync.sns/message");
    EXPECT_EQ(mgr->Init(), TRUE);
    EXPECT_EQ(CContentMgr::Instance()->FindFactory("ulog/log/dupl/temp"),
              CUlogQueryHandlerFactory::Instance());
    EXPECT_EQ(mgr->Exit(), TRUE);
}

TEST_F(SvcMgrTest, InitMakesALeftOverTemporaryLogPermanent)
{
    CUlogContentFrmwkDbMgr* db = CUlogContentFrmwkDbMgr::Instance();
    ASSERT_EQ(db->CheckTables(), 1);
    UlogInfo info = contenttest::MakeInfo(contenttest::CallSpec{});
    info.bTempLog = 1;
    CUlogCallLog temp(info);
    ASSERT_TRUE(db->Insert(temp, ULOG_DB_TABLE_DISTINCT));

    EXPECT_EQ(CUlogSvcMgr::Instance()->Init(), TRUE);
    CUlogPtr<CUlog> log(db->GetUlogByUniqueID(temp.GetUniqueID(), ULOG_DB_TABLE_DISTINCT));
    ASSERT_TRUE(log.IsValidPtr());
    EXPECT_FALSE(log->IsTemporary());
}

TEST_F(SvcMgrTest, InitWithoutTheContentFrameworkStillCreatesTables)
{
    kiv::appsvc::SetContentMgrAvailable(false);
    EXPECT_EQ(CUlogSvcMgr::Instance()->Init(), TRUE);
    EXPECT_TRUE(Db2CheckTable("UlogDistinctDbTable"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pCotentMgr != NULL"));
    kiv::appsvc::SetContentMgrAvailable(true);
}
