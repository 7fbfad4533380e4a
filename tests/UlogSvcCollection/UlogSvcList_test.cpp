// Lists, vector iterators and the checked pointer (ownership and bounds), and the handle registry behind
// the plain-function walks, used directly on its own instances.
#include "H/UlogSvcList.h"
#include "H/UlogSvcPtr.h"
#include "UlogSvcCollection/CUlogSvcIteratorAdapter.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"

#include "control/PlatformControl.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

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

namespace
{
using Item = CUlogSvcIteratorAdapterItem<CUlog>;

// A list and iterator that only note when they are released.
struct ReleaseLog
{
    std::vector<std::string> calls;
};

class NotingIterator : public IUlogIterator<CUlog>
{
public:
    explicit NotingIterator(ReleaseLog& log) : m_log(log) {}
    void First() override {}
    BOOL Move(int) override { return TRUE; }
    void Prev() override {}
    void Next() override {}
    BOOL IsDone() const override { return TRUE; }
    CUlog* GetCurItem() const override { return nullptr; }
    void Release() override
    {
        m_log.calls.push_back("iterator");
        delete this;
    }

private:
    ReleaseLog& m_log;
};

class NotingList : public IUlogList<CUlog>
{
public:
    explicit NotingList(ReleaseLog& log) : m_log(log) {}
    BOOL Add(const CUlog&) override { return FALSE; }
    BOOL Delete(int) override { return FALSE; }
    int GetCount() const override { return 0; }
    void Release() override
    {
        m_log.calls.push_back("list");
        delete this;
    }
    IUlogIterator<CUlog>* GetIterator() const override { return new NotingIterator(m_log); }

private:
    ReleaseLog& m_log;
};

CUlog* MakeLog(const char* number, UlogLogType type)
{
    UlogInfo info;
    std::memset(&info, 0, sizeof(info));
    info.iLogType = type;
    info.nUniqueId = -1;
    std::strncpy(info.szNumber, number, sizeof(info.szNumber) - 1);
    CUlogSvcGenerator generator;
    return generator.Generate(info);
}

// An item over an in-memory list of logs of the given numbers.
Item* MakeItem(const std::vector<const char*>& numbers)
{
    CUlogList<CUlog>* pList = new CUlogList<CUlog>();
    for (const char* number : numbers)
        pList->Add(*MakeLog(number, ULOG_LOG_ORIGINATED));
    Item* pItem = new Item();
    EXPECT_EQ(pItem->SetList(pList), TRUE);
    EXPECT_EQ(pItem->SetIterator(pList->GetIterator()), TRUE);
    return pItem;
}

using IteratorAdapterTest = ulogtest::PlatformTest;
} // namespace

TEST_F(IteratorAdapterTest, ItemsAndTheRegistryReleaseIteratorsBeforeLists)
{
    ReleaseLog log;
    Item* pItem = new Item();
    EXPECT_EQ(pItem->GetList(), nullptr);
    EXPECT_EQ(pItem->GetIterator(), nullptr);
    NotingList* pList = new NotingList(log);
    pItem->SetList(pList);
    pItem->SetIterator(pList->GetIterator());
    EXPECT_EQ(pItem->GetList(), pList);
    delete pItem;
    EXPECT_EQ(log.calls, (std::vector<std::string>{"iterator", "list"}));

    // An empty item releases nothing.
    delete new Item();

    // The registry frees what is still registered when it goes.
    log.calls.clear();
    {
        CUlogSvcIteratorAdapter adapter;
        NotingList* pNoted = new NotingList(log);
        Item* pRegistered = new Item();
        pRegistered->SetList(pNoted);
        pRegistered->SetIterator(pNoted->GetIterator());
        adapter.Register(pRegistered);
        EXPECT_TRUE(log.calls.empty());
    }
    EXPECT_EQ(log.calls, (std::vector<std::string>{"iterator", "list"}));
    EXPECT_EQ(CUlogSvcIteratorAdapter::Instance(), CUlogSvcIteratorAdapter::Instance());
}

TEST_F(IteratorAdapterTest, HandlesStartAtOneAndAreNeverReused)
{
    CUlogSvcIteratorAdapter adapter;
    const int h1 = adapter.Register(MakeItem({"0101"}));
    EXPECT_EQ(h1, 1);
    adapter.Release(h1);
    const int h2 = adapter.Register(MakeItem({"0102"}));
    EXPECT_EQ(h2, 2);
    const int h3 = adapter.Register(MakeItem({}));
    EXPECT_EQ(h3, 3);
    EXPECT_EQ(adapter.GetCount(), 2);
    EXPECT_EQ(adapter.GetElement(h1), nullptr);
    EXPECT_NE(adapter.GetElement(h2), nullptr);

    EXPECT_EQ(adapter.AddElement(nullptr), -1);
    EXPECT_EQ(adapter.Register(nullptr), -1);
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("pAdapterItem != NULL (UlogSvcCollection/UlogSvcIteratorAdapter:95)"));
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("pAdapterItem != NULL (UlogSvcCollection/UlogSvcIteratorAdapter:50)"));
    // A refused registration does not use up a number.
    EXPECT_EQ(adapter.Register(MakeItem({})), 4);
}

TEST_F(IteratorAdapterTest, WalksMoveAndCopyLogsIntoRecords)
{
    CUlogSvcIteratorAdapter adapter;
    const int h = adapter.Register(MakeItem({"0101", "0102", "0103"}));
    std::vector<std::string> seen;
    for (adapter.First(h); !adapter.IsDone(h); adapter.Next(h))
    {
        UlogInfo info;
        ASSERT_EQ(adapter.GetCurItem(h, &info), TRUE);
        seen.emplace_back(info.szNumber);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"0101", "0102", "0103"}));

    UlogInfo info;
    std::memset(&info, 0x66, sizeof(info));
    EXPECT_EQ(adapter.GetCurItem(h, &info), 0);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pUlog != NULL (UlogSvcCollection/UlogSvcIteratorAdapter:173)"));

    EXPECT_EQ(adapter.Move(h, 1), TRUE);
    ASSERT_EQ(adapter.GetCurItem(h, &info), TRUE);
    EXPECT_STREQ(info.szNumber, "0102");
    adapter.Prev(h);
    ASSERT_EQ(adapter.GetCurItem(h, &info), TRUE);
    EXPECT_STREQ(info.szNumber, "0101");
    EXPECT_EQ(adapter.Move(h, 3), FALSE);
}

TEST_F(IteratorAdapterTest, OperationsOnUnknownHandlesReportAndChangeNothing)
{
    CUlogSvcIteratorAdapter adapter;
    const int h = adapter.Register(MakeItem({"0101"}));
    const int unknown = h + 10;
    UlogCtlClearDiagnostics();
    adapter.First(unknown);
    EXPECT_EQ(adapter.Move(unknown, 0), 0);
    adapter.Prev(unknown);
    adapter.Next(unknown);
    EXPECT_EQ(adapter.IsDone(unknown), 0);
    UlogInfo info;
    EXPECT_EQ(adapter.GetCurItem(unknown, &info), 0);
    EXPECT_EQ(adapter.DeleteElement(unknown), FALSE);
    EXPECT_EQ(UlogCtlGetAssertCount(), 6);
    for (int line : {106, 119, 131, 143, 155, 167})
        EXPECT_TRUE(UlogCtlDiagnosticsContain(
            ("pAdapterItem != NULL (UlogSvcCollection/UlogSvcIteratorAdapter:" + std::to_string(line) + ")")
                .c_str()))
            << line;
    EXPECT_TRUE(UlogCtlDiagnosticsContain(
        ("DeleteElement: m_map doesn't have an element (" + std::to_string(unknown) + ")").c_str()));
    EXPECT_EQ(adapter.GetCount(), 1);

    // An item without an iterator is reported as such.
    const int bare = adapter.Register(new Item());
    UlogCtlClearDiagnostics();
    EXPECT_EQ(adapter.IsDone(bare), 0);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pIter != NULL (UlogSvcCollection/UlogSvcIteratorAdapter:158)"));
    EXPECT_EQ(adapter.DeleteElement(bare), TRUE);
    EXPECT_EQ(adapter.DeleteElement(bare), FALSE);
}

TEST_F(IteratorAdapterTest, ThreadsRegisteringWalkingAndReleasingGetDistinctHandles)
{
    CUlogSvcIteratorAdapter adapter;
    const int kThreads = 4, kRounds = 150;
    std::vector<std::vector<int>> handles(kThreads);
    std::vector<int> walked(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(
            [&, t]
            {
                for (int i = 0; i < kRounds; ++i)
                {
                    const int h = adapter.Register(MakeItem({"0101", "0102"}));
                    handles[static_cast<size_t>(t)].push_back(h);
                    for (adapter.First(h); !adapter.IsDone(h); adapter.Next(h))
                    {
                        UlogInfo info;
                        if (adapter.GetCurItem(h, &info))
                            ++walked[static_cast<size_t>(t)];
                    }
                    // Another thread's handle may be released under our feet: only ours is released here.
                    adapter.Release(h);
                }
            });
    for (std::thread& th : threads)
        th.join();
    std::set<int> all;
    for (const auto& list : handles)
        all.insert(list.begin(), list.end());
    EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kRounds));
    EXPECT_EQ(*all.begin(), 1);
    EXPECT_EQ(*all.rbegin(), kThreads * kRounds);
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(walked[static_cast<size_t>(t)], 2 * kRounds);
    EXPECT_EQ(adapter.GetCount(), 0);
}
