// Iterators over the three kinds of list (in-memory of either element type, and content-backed), and
// what is particular to the content-backed list over the service's own log tables.
#include "support/PlatformFixture.h"

#include "H/UlogSvcList.h"
#include "KivAppSvcFramework/ContentMgr.h"
#include "KivAppSvcFramework/KivAppSvcFrameworkInternal.h"
#include "UlogSvcCollection/CUlogContentList.h"
#include "UlogSvcDbMgr/ContentTestLogs.h"
#include "control/PlatformControl.h"

#include <string>
#include <type_traits>
#include <vector>

namespace
{
// Three elements of the values 10, 20 and 30 in that order, in each kind of list, and the report of a
// move past the end.
template <class T> struct InMemory
{
    CUlogList<T> list;
    InMemory()
    {
        for (int v : {10, 20, 30})
            if constexpr (std::is_same_v<T, int>)
                list.Add(*new int(v));
            else
                list.Add(*new CUlogCallLog(contenttest::MakeInfo({.sortIndex = v})));
    }
    static int Value(const int* p) { return *p; }
    static int Value(const CUlog* p) { return p->GetSortIndex(); }
    static constexpr const char* kMoveReport =
        "ASSERTION_REQUIRE: nIndex < static_cast<int>(m_vector.size()) (H/UlogSvcVectorIterator:85)";
};
struct ContentRows // the rows the fixture writes, sorted
{
    CContentFilter filter{{}, "", std::vector<const WCHAR*>{}, "sortindex"};
    CUlogContentList<CUlog> list{"ulog/log/distinct", &filter};
    static int Value(const CUlog* p) { return p->GetSortIndex(); }
    static constexpr const char* kMoveReport = "nIndex < m_contentList.GetCount()";
};

template <class T> class ListIteratorTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        CUlogContentFrmwkDbMgr* mgr = CUlogContentFrmwkDbMgr::Instance();
        ASSERT_EQ(mgr->Init(), 1);
        for (int i = 1; i <= 3; ++i)
            ASSERT_EQ(contenttest::InsertCall(*mgr, ULOG_DB_TABLE_DISTINCT, {.sortIndex = i * 10}), i);
    }
};
using ListKinds = ::testing::Types<InMemory<int>, InMemory<CUlog>, ContentRows>;
TYPED_TEST_SUITE(ListIteratorTest, ListKinds);

using ContentListTest = ListIteratorTest<ContentRows>;
} // namespace

TYPED_TEST(ListIteratorTest, WalksInOrderAndMovesOnlyWithinTheElements)
{
    TypeParam elements;
    EXPECT_EQ(elements.list.GetCount(), 3);
    auto* it = elements.list.GetIterator();
    ASSERT_NE(it, nullptr);
    const auto value = [&] { return TypeParam::Value(it->GetCurItem()); };
    std::vector<int> seen;
    for (it->First(); !it->IsDone(); it->Next())
        seen.push_back(value());
    EXPECT_EQ(seen, (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(it->GetCurItem(), nullptr); // past the end

    ASSERT_TRUE(it->Move(2));
    EXPECT_EQ(value(), 30);
    UlogCtlClearDiagnostics();
    EXPECT_FALSE(it->Move(3)); // refused, reported, position kept
    EXPECT_TRUE(UlogCtlDiagnosticsContain(TypeParam::kMoveReport));
    EXPECT_EQ(value(), 30);
    it->Prev();
    EXPECT_EQ(value(), 20);
    // Stepping back from the first, or a negative index (which is accepted), leaves the iterator done.
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
    ContentRows rows;
    EXPECT_EQ(rows.list.GetURI(), "ulog/log/distinct");
    EXPECT_EQ(rows.list.GetContentFilter().GetOrderBy(), "sortindex");
    IUlogIterator<CUlog>* it = rows.list.GetIterator();
    CUlog* first = it->GetCurItem();
    ASSERT_NE(first, nullptr);
    first->SetSortIndex(999); // changes only this object
    CUlog* second = it->GetCurItem();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetSortIndex(), 10);
    it->Release(); // deletes the current log (checked under the address sanitizer)

    // The list is read-only: adds and deletes are accepted and change nothing.
    CUlogCallLog log(contenttest::MakeInfo({}));
    EXPECT_TRUE(rows.list.Add(log));
    EXPECT_TRUE(rows.list.Delete(0));
    EXPECT_EQ(rows.list.GetCount(), 3);
    IUlogList<CUlog>* pList = new CUlogContentList<CUlog>("ulog/log/distinct", &rows.filter);
    pList->Release();
}

TEST_F(ContentListTest, WithoutAContentListTheListIsEmpty)
{
    const CContentFilter filter;
    UlogCtlClearDiagnostics();
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
    CUlogContentList<CUlog> down("ulog/log/distinct", &filter);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pCotentMgr != NULL"));
    EXPECT_EQ(down.GetCount(), 0);
    kiv::appsvc::SetContentMgrAvailable(true);

    CUlogContentList<CUlog> noFilter("ulog/log/distinct", nullptr);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pFilter != NULL"));
    EXPECT_EQ(noFilter.GetCount(), 0);
}

TEST_F(ContentListTest, RowsReadWithTheCountStayTheListsRows)
{
    ContentRows rows;
    ASSERT_EQ(rows.list.GetCount(), 3);
    ASSERT_GE(Db2QueryEx("delete from UlogDistinctDbTable"), 0);
    // The count and the rows came from one read: the list still gives the three rows it counted.
    IUlogIterator<CUlog>* it = rows.list.GetIterator();
    std::vector<int> values;
    for (it->First(); !it->IsDone(); it->Next())
    {
        const CUlog* p = it->GetCurItem();
        ASSERT_NE(p, nullptr);
        values.push_back(p->GetSortIndex());
    }
    it->Release();
    EXPECT_EQ(values, (std::vector<int>{10, 20, 30}));
    ContentRows after;
    EXPECT_EQ(after.list.GetCount(), 0);
}
