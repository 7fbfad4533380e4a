// Lists, vector iterators and the checked pointer: ownership and bounds.
#include "H/UlogSvcList.h"
#include "H/UlogSvcPtr.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"

#include "control/PlatformControl.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <set>

namespace
{
// A log that records its own destruction.
class CCountedLog : public CUlogCallLog
{
public:
    explicit CCountedLog(int id, std::multiset<int>& deleted) : m_deleted(deleted) { SetUniqueID(id); }
    ~CCountedLog() override { m_deleted.insert(GetUniqueID()); }

private:
    std::multiset<int>& m_deleted;
};

using UlogListTest = ulogtest::PlatformTest;
} // namespace

TEST_F(UlogListTest, ListDeletesEveryElementItStillHoldsExactlyOnce)
{
    std::multiset<int> deleted;
    CCountedLog* first = nullptr;
    {
        CUlogList<CUlog> list;
        first = new CCountedLog(1, deleted);
        EXPECT_EQ(list.Add(*first), TRUE);
        list.Add(*new CCountedLog(2, deleted));
        list.Add(*new CCountedLog(3, deleted));
        EXPECT_EQ(list.GetCount(), 3);
        EXPECT_EQ(list.Delete(0), TRUE);
        EXPECT_EQ(list.GetCount(), 2);
    }
    EXPECT_EQ(deleted, (std::multiset<int>{2, 3}));
    // The entry taken out now belongs to the caller.
    delete first;
    EXPECT_EQ(deleted, (std::multiset<int>{1, 2, 3}));

    deleted.clear();
    IUlogList<CUlog>* pList = new CUlogList<CUlog>(7);
    pList->Add(*new CCountedLog(4, deleted));
    pList->Release();
    EXPECT_EQ(deleted, (std::multiset<int>{4}));
    UlogRelease<IUlogList<CUlog>>(nullptr); // nothing to release
}

TEST_F(UlogListTest, DeleteOutsideTheListIsRefused)
{
    CUlogList<int> list;
    list.Add(*new int(10));
    list.Add(*new int(11));
    EXPECT_TRUE(list.IsValidIndex(1));
    EXPECT_FALSE(list.IsValidIndex(2));
    EXPECT_FALSE(list.IsValidIndex(-1));
    EXPECT_EQ(list.Delete(-1), FALSE);
    EXPECT_EQ(list.Delete(2), FALSE);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(UlogCtlGetAssertCount(), 2);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("H/UlogSvcList"));

    CUlogList<CUlog> logs;
    EXPECT_EQ(logs.Delete(0), FALSE);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("UlogSvcCollection/UlogSvcList"));
}

TEST_F(UlogListTest, IteratorWalksTheElementsInOrderAndStaysInBounds)
{
    CUlogList<int> list(3);
    EXPECT_EQ(list.GetReserved(), 3);
    for (int v : {5, 6, 7})
        list.Add(*new int(v));
    IUlogIterator<int>* it = list.GetIterator();
    ASSERT_NE(it, nullptr);
    std::vector<int> seen;
    for (it->First(); !it->IsDone(); it->Next())
        seen.push_back(*it->GetCurItem());
    EXPECT_EQ(seen, (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(it->GetCurItem(), nullptr);

    EXPECT_EQ(it->Move(1), TRUE);
    EXPECT_EQ(*it->GetCurItem(), 6);
    // Moving to the count fails and keeps the position.
    EXPECT_EQ(it->Move(3), FALSE);
    EXPECT_TRUE(UlogCtlDiagnosticsContain(
        "ASSERTION_REQUIRE: nIndex < static_cast<int>(m_vector.size()) (H/UlogSvcVectorIterator:85)"));
    EXPECT_EQ(*it->GetCurItem(), 6);
    // A negative index is accepted and leaves the iterator done.
    EXPECT_EQ(it->Move(-1), TRUE);
    EXPECT_TRUE(it->IsDone());
    EXPECT_EQ(it->GetCurItem(), nullptr);
    it->First();
    it->Prev();
    EXPECT_TRUE(it->IsDone());
    it->Release();
}

TEST_F(UlogListTest, IteratorGivesTheStoredElementsThemselves)
{
    CUlogList<CUlog> list;
    CUlogCallLog* log = new CUlogCallLog;
    log->SetNumber("123");
    list.Add(*log);
    IUlogIterator<CUlog>* it = list.GetIterator();
    ASSERT_NE(it, nullptr);
    EXPECT_EQ(it->GetCurItem(), log);
    // A new element is seen by an existing iterator.
    list.Add(*new CUlogCallLog);
    it->Next();
    EXPECT_FALSE(it->IsDone());
    it->Release();

    // Over an empty list an iterator is done at once.
    CUlogList<CUlog> empty;
    it = empty.GetIterator();
    ASSERT_NE(it, nullptr);
    EXPECT_TRUE(it->IsDone());
    EXPECT_EQ(it->GetCurItem(), nullptr);
    EXPECT_EQ(it->Move(0), FALSE);
    UlogRelease(it);
}

TEST_F(UlogListTest, CheckedPointerOwnsItsLogAndReportsNull)
{
    std::multiset<int> deleted;
    {
        CUlogPtr<CUlog> ptr(new CCountedLog(9, deleted));
        EXPECT_TRUE(ptr.IsValidPtr());
        EXPECT_EQ(ptr->GetUniqueID(), 9);
        EXPECT_EQ((*ptr)->GetUniqueID(), 9);
        EXPECT_EQ(ptr.Get()->GetUniqueID(), 9);
    }
    EXPECT_EQ(deleted, (std::multiset<int>{9}));

    {
        CUlogPtr<CUlog> ptr(new CCountedLog(10, deleted));
        CUlog* taken = ptr.Detach();
        EXPECT_FALSE(ptr.IsValidPtr());
        delete taken;
    }
    EXPECT_EQ(deleted.count(10), 1u);

    UlogCtlClearDiagnostics();
    CUlogPtr<CUlog> empty(nullptr);
    EXPECT_FALSE(empty.IsValidPtr());
    EXPECT_EQ(empty.operator->(), nullptr);
    EXPECT_EQ(empty.Get(), nullptr);
    EXPECT_EQ(UlogCtlGetAssertCount(), 2);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("ASSERTION_REQUIRE: m_ptr != NULL (H/UlogSvcPtr:64)"));
}
