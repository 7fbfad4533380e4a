// The content-backed log list and its iterator over the service's own log tables.
#include "support/PlatformFixture.h"

#include "UlogSvcDbMgr/ContentTestLogs.h"

#include "KivAppSvcFramework/ContentMgr.h"
#include "KivAppSvcFramework/KivAppSvcFrameworkInternal.h"
#include "UlogSvcCollection/CUlogContentList.h"
#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"
#include "control/PlatformControl.h"

#include <string>
#include <vector>

using contenttest::CallSpec;
using contenttest::InsertCall;

namespace
{
class ContentListTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        CUlogContentFrmwkDbMgr* mgr = CUlogContentFrmwkDbMgr::Instance();
        ASSERT_EQ(mgr->Init(), 1);
        for (int i = 1; i <= 3; ++i)
            ASSERT_EQ(InsertCall(*mgr, ULOG_DB_TABLE_DISTINCT, {.sortIndex = i * 10}), i);
    }

    static CContentFilter BySortAsc()
    {
        return CContentFilter({}, "", std::vector<const WCHAR*>{}, "sortindex");
    }
};
} // namespace

TEST_F(ContentListTest, IteratorMovesWithinTheRowsAndStopsOutside)
{
    const CContentFilter filter = BySortAsc();
    CUlogContentList<CUlog> list("ulog/log/distinct", &filter);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetURI(), "ulog/log/distinct");
    EXPECT_EQ(list.GetContentFilter().GetOrderBy(), "sortindex");
    IUlogIterator<CUlog>* it = list.GetIterator();
    ASSERT_NE(it, nullptr);

    std::vector<int> seen;
    for (it->First(); !it->IsDone(); it->Next())
        seen.push_back(it->GetCurItem()->GetSortIndex());
    EXPECT_EQ(seen, (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(it->GetCurItem(), nullptr); // past the end

    ASSERT_TRUE(it->Move(2));
    EXPECT_EQ(it->GetCurItem()->GetSortIndex(), 30);
    UlogCtlClearDiagnostics();
    EXPECT_FALSE(it->Move(3));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("nIndex < m_contentList.GetCount()"));
    EXPECT_EQ(it->GetCurItem()->GetSortIndex(), 30); // index unchanged
    it->Prev();
    EXPECT_EQ(it->GetCurItem()->GetSortIndex(), 20);
    it->First();
    it->Prev();
    EXPECT_TRUE(it->IsDone());
    EXPECT_EQ(it->GetCurItem(), nullptr);
    EXPECT_TRUE(it->Move(-1));
    EXPECT_TRUE(it->IsDone());
    it->Release();
}

TEST_F(ContentListTest, EachCurrentItemIsANewLogOwnedByTheIterator)
{
    const CContentFilter filter = BySortAsc();
    CUlogContentList<CUlog> list("ulog/log/distinct", &filter);
    IUlogIterator<CUlog>* it = list.GetIterator();
    CUlog* first = it->GetCurItem();
    ASSERT_NE(first, nullptr);
    first->SetSortIndex(999); // changes only this object
    CUlog* second = it->GetCurItem();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetSortIndex(), 10);
    it->Release(); // deletes the current log (checked under the address sanitizer)

    // The list is read-only: adds and deletes are accepted and change nothing.
    IUlogList<CUlog>* pList = new CUlogContentList<CUlog>("ulog/log/distinct", &filter);
    CUlogCallLog log(contenttest::MakeInfo(CallSpec{}));
    EXPECT_TRUE(pList->Add(log));
    EXPECT_TRUE(pList->Delete(0));
    EXPECT_EQ(pList->GetCount(), 3);
    pList->Release();
}

TEST_F(ContentListTest, WithoutAContentListTheListIsEmpty)
{
    UlogCtlClearDiagnostics();
    const CContentFilter filter = BySortAsc();
    CUlogContentList<CUlog> unserved("nobody/serves/this", &filter);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("m_pContentList != NULL"));
    EXPECT_EQ(unserved.GetCount(), 0);
    IUlogIterator<CUlog>* it = unserved.GetIterator();
    ASSERT_NE(it, nullptr);
    EXPECT_TRUE(it->IsDone());
    EXPECT_EQ(it->GetCurItem(), nullptr);
    EXPECT_FALSE(it->Move(0));
    it->Release();

    kiv::appsvc::SetContentMgrAvailable(false);
    UlogCtlClearDiagnostics();
    CUlogContentList<CUlog> down("ulog/log/distinct", &filter);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pCotentMgr != NULL"));
    EXPECT_EQ(down.GetCount(), 0);
    kiv::appsvc::SetContentMgrAvailable(true);

    UlogCtlClearDiagnostics();
    CUlogContentList<CUlog> noFilter("ulog/log/distinct", nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pFilter != NULL"));
    EXPECT_EQ(noFilter.GetCount(), 0);
}

TEST_F(ContentListTest, RowsRemovedAfterTheCountGiveNoInventedLog)
{
    const CContentFilter filter = BySortAsc();
    CUlogContentList<CUlog> list("ulog/log/distinct", &filter);
    ASSERT_EQ(list.GetCount(), 3);
    ASSERT_GE(Db2QueryEx("delete from UlogDistinctDbTable"), 0);
    IUlogIterator<CUlog>* it = list.GetIterator();
    UlogCtlClearDiagnostics();
    EXPECT_EQ(it->GetCurItem(), nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("m_pUlog != NULL"));
    it->Release();
}
