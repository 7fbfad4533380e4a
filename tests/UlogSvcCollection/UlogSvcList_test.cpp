// Ownership and bounds of the in-memory lists, the checked pointer, and the handle registry behind the
// plain-function walks, used directly on its own instances.
#include "H/UlogSvcList.h"
#include "H/UlogSvcPtr.h"
#include "UlogSvcCollection/CUlogSvcIteratorAdapter.h"
#include "UlogSvcDbMgr/ContentTestLogs.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"

#include "control/PlatformControl.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace
{
CUlog* NewLog(const contenttest::CallSpec& spec)
{
    return new CUlogCallLog(contenttest::MakeInfo(spec));
}

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
    CCountedLog* first = new CCountedLog(1, deleted);
    {
        CUlogList<CUlog> list;
        EXPECT_EQ(list.Add(*first), TRUE);
        list.Add(*new CCountedLog(2, deleted));
        list.Add(*new CCountedLog(3, deleted));
        EXPECT_EQ(list.Delete(0), TRUE);
        EXPECT_EQ(list.GetCount(), 2);
    }
    EXPECT_EQ(deleted, (std::multiset<int>{2, 3}));
    delete first; // the entry taken out belongs to the caller
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
    CUlogList<int> list(3);
    EXPECT_EQ(list.GetReserved(), 3);
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

TEST_F(UlogListTest, IteratorGivesTheStoredElementsThemselves)
{
    CUlogList<CUlog> list;
    CUlog* log = NewLog({});
    list.Add(*log);
    IUlogIterator<CUlog>* it = list.GetIterator();
    ASSERT_NE(it, nullptr);
    EXPECT_EQ(it->GetCurItem(), log);
    list.Add(*NewLog({})); // seen by the existing iterator
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
        CUlogPtr<CUlog> given(new CCountedLog(10, deleted));
        std::unique_ptr<CUlog> taken(given.Detach());
        EXPECT_FALSE(given.IsValidPtr());
    }
    EXPECT_EQ(deleted, (std::multiset<int>{9, 10})); // each once

    CUlogPtr<CUlog> empty(nullptr);
    EXPECT_FALSE(empty.IsValidPtr());
    EXPECT_EQ(empty.operator->(), nullptr);
    EXPECT_EQ(empty.Get(), nullptr);
    EXPECT_EQ(UlogCtlGetAssertCount(), 2);
}

namespace
{
using Item = CUlogSvcIteratorAdapterItem<CUlog>;
using Calls = std::vector<std::string>;

// A list or iterator that notes its release.
template <class Base> class Noting : public Base
{
public:
    template <class... A>
    Noting(Calls& calls, const char* what, A&... args) : Base(args...), m_calls(calls), m_what(what)
    {
    }
    void Release() override
    {
        m_calls.push_back(m_what);
        delete this;
    }

private:
    Calls& m_calls;
    const char* m_what;
};

// An item that owns a list and an iterator which note their release.
Item* NotingItem(Calls& calls)
{
    static const std::vector<CUlog*> none;
    auto* pList = new Noting<CUlogList<CUlog>>(calls, "list");
    auto* pIter = new Noting<CUlogVectorIterator<CUlog>>(calls, "iterator", none);
    Item* pItem = new Item();
    EXPECT_EQ(pItem->SetList(pList), TRUE);
    EXPECT_EQ(pItem->SetIterator(pIter), TRUE);
    EXPECT_EQ(pItem->GetList(), pList);
    EXPECT_EQ(pItem->GetIterator(), pIter);
    return pItem;
}

// An item over an in-memory list of logs of the given numbers.
Item* MakeItem(std::initializer_list<const char*> numbers)
{
    CUlogList<CUlog>* pList = new CUlogList<CUlog>();
    for (const char* number : numbers)
        pList->Add(*NewLog({.number = number}));
    Item* pItem = new Item();
    pItem->SetList(pList);
    pItem->SetIterator(pList->GetIterator());
    return pItem;
}

using IteratorAdapterTest = ulogtest::PlatformTest;
} // namespace

TEST_F(IteratorAdapterTest, ItemsAndTheRegistryReleaseIteratorsBeforeLists)
{
    Calls calls;
    delete NotingItem(calls);
    EXPECT_EQ(calls, (Calls{"iterator", "list"}));

    Item* pEmpty = new Item(); // releases nothing
    EXPECT_EQ(pEmpty->GetList(), nullptr);
    EXPECT_EQ(pEmpty->GetIterator(), nullptr);
    delete pEmpty;

    // The registry frees what is still registered when it goes.
    calls.clear();
    {
        CUlogSvcIteratorAdapter adapter;
        adapter.Register(NotingItem(calls));
        EXPECT_TRUE(calls.empty());
    }
    EXPECT_EQ(calls, (Calls{"iterator", "list"}));
    EXPECT_EQ(CUlogSvcIteratorAdapter::Instance(), CUlogSvcIteratorAdapter::Instance());
}

TEST_F(IteratorAdapterTest, HandlesStartAtOneAndAreNeverReused)
{
    CUlogSvcIteratorAdapter adapter;
    const int h1 = adapter.Register(MakeItem({"0101"}));
    EXPECT_EQ(h1, 1);
    adapter.Release(h1);
    EXPECT_EQ(adapter.Register(MakeItem({"0102"})), 2);
    EXPECT_EQ(adapter.Register(MakeItem({})), 3);
    EXPECT_EQ(adapter.GetCount(), 2);
    EXPECT_EQ(adapter.GetElement(h1), nullptr);
    EXPECT_NE(adapter.GetElement(2), nullptr);

    EXPECT_EQ(adapter.AddElement(nullptr), -1);
    EXPECT_EQ(adapter.Register(nullptr), -1);
    EXPECT_EQ(UlogCtlGetAssertCount(), 2);
    // A refused registration does not use up a number.
    EXPECT_EQ(adapter.Register(MakeItem({})), 4);
}

TEST_F(IteratorAdapterTest, WalksMoveAndCopyLogsIntoRecords)
{
    CUlogSvcIteratorAdapter adapter;
    const int h = adapter.Register(MakeItem({"0101", "0102", "0103"}));
    const auto current = [&]() -> std::string
    {
        UlogInfo info;
        const BOOL bCopied = adapter.GetCurItem(h, &info);
        return bCopied == TRUE ? info.szNumber : "<" + std::to_string(bCopied) + ">";
    };
    std::vector<std::string> seen;
    for (adapter.First(h); !adapter.IsDone(h); adapter.Next(h))
        seen.push_back(current());
    EXPECT_EQ(seen, (std::vector<std::string>{"0101", "0102", "0103"}));
    EXPECT_EQ(current(), "<0>");
    EXPECT_EQ(UlogCtlGetAssertCount(), 1);

    EXPECT_EQ(adapter.Move(h, 1), TRUE);
    EXPECT_EQ(current(), "0102");
    adapter.Prev(h);
    EXPECT_EQ(current(), "0101");
    EXPECT_EQ(adapter.Move(h, 3), FALSE);
}

TEST_F(IteratorAdapterTest, OperationsOnUnknownHandlesReportAndChangeNothing)
{
    CUlogSvcIteratorAdapter adapter;
    const int unknown = adapter.Register(MakeItem({"0101"})) + 10;
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
    for (size_t t = 0; t < kThreads; ++t)
        threads.emplace_back(
            [&, t]
            {
                for (int i = 0; i < kRounds; ++i)
                {
                    const int h = adapter.Register(MakeItem({"0101", "0102"}));
                    handles[t].push_back(h);
                    UlogInfo info;
                    for (adapter.First(h); !adapter.IsDone(h); adapter.Next(h))
                        walked[t] += adapter.GetCurItem(h, &info);
                    adapter.Release(h); // only this thread's own handle
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
    EXPECT_EQ(walked, std::vector<int>(kThreads, 2 * kRounds));
    EXPECT_EQ(adapter.GetCount(), 0);
}
