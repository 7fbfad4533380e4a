// The handle registry behind the plain-function walks, used directly on its own instances.
#include "support/PlatformFixture.h"

#include "H/UlogSvcList.h"
#include "UlogSvcCollection/CUlogSvcIteratorAdapter.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "control/PlatformControl.h"

#include <cstring>
#include <set>
#include <thread>
#include <string>
#include <vector>

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
