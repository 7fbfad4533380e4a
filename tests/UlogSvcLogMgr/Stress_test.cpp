// Several tasks storing events at once, beside a task that reads lists and counts and rewrites
// contact data: afterwards every event is accounted for and the tables keep their limits.
#include "UlogSvcLogMgr/DistinctMgrTestSupport.h"

#include "H/UlogSvcList.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using evtest::Distinct;
using evtest::Dupl;
using evtest::Event;

namespace
{
const int kDefaultEventsPerThread = 500;
const int kDefaultNumbers = 100;
const int kThreads = 4;

int EnvInt(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return (value != nullptr && std::atoi(value) > 0) ? std::atoi(value) : fallback;
}

// Counts the stored events and the events that left with evicted rows.
class Tally : public IUlogObserver
{
public:
    BOOL Update(CUlogSvcSubject* pSubject, CUlogObject* pObject, const IUlogSvcFilter*) override
    {
        const CUlog* pUlog = dynamic_cast<const CUlog*>(pObject);
        if (pUlog == nullptr)
            return TRUE;
        if (pSubject->GetChangeType() == CUlogSvcSubject::CHANGE_ADD)
        {
            ++added;
            if (pUlog->GetDuplLogLastUniqueID() <= 0)
                ++notMirrored;
            std::lock_guard<std::mutex> guard(mutex);
            if (!eventIds.insert(pUlog->GetDuplLogLastUniqueID()).second)
                ++sharedEventIds;
        }
        else if (pSubject->GetChangeType() == CUlogSvcSubject::CHANGE_DELETE)
        {
            // An eviction announces its row twice.
            evictedEventsTwice += pUlog->GetDuplLogCount();
        }
        return TRUE;
    }
    std::atomic<int> added{0};
    std::atomic<int> notMirrored{0};
    std::atomic<long long> evictedEventsTwice{0};
    std::mutex mutex;
    std::set<int> eventIds;
    int sharedEventIds = 0;
};

class StressTest : public evtest::ServiceTest
{
protected:
    void SetUp() override
    {
        evtest::ServiceTest::SetUp();
        // Thousands of events: keep only the assertion reports' effect, not every message.
        UlogCtlCaptureDiagnostics(FALSE);
    }
};

std::string NumberOf(int n)
{
    char sz[32];
    std::snprintf(sz, sizeof(sz), "01077%05d", n);
    return sz;
}
} // namespace

TEST_F(StressTest, ConcurrentAddsKeepEveryEventAndEveryLimit)
{
    const int nPerThread = EnvInt("ULOG_STRESS_EVENTS_PER_THREAD", kDefaultEventsPerThread);
    const int nNumbers = EnvInt("ULOG_STRESS_NUMBERS", kDefaultNumbers);
    const int nTotal = nPerThread * kThreads;
    // Round robin over the numbers: no correspondent gets more than 30 events when there are at least
    // a thirtieth as many numbers as events, so no event is dropped by the per-row limit.
    ASSERT_LE(nTotal, nNumbers * 30);

    Tally tally;
    ASSERT_TRUE(Distinct()->Attach(&tally, 1));

    std::atomic<int> failedAdds{0};
    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::atomic<int> badReads{0};
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
    {
        writers.emplace_back(
            [&, t]
            {
                for (int i = 0; i < nPerThread; ++i)
                {
                    const int n = t * nPerThread + i;
                    const std::string number = NumberOf(n % nNumbers);
                    // Mostly received messages; every eighth event a call, which also writes the call
                    // statistics to their file.
                    const UlogLogType type = (n % 8 == 0) ? ULOG_LOG_ORIGINATED : ULOG_LOG_MSG_RECEIVED;
                    auto log = evtest::MakeLog(
                        Event{.type = type, .number = number.c_str(), .start = 1700000000u + n});
                    if (log == nullptr || !Distinct()->Add(*log))
                        ++failedAdds;
                }
            });
    }
    std::thread reader(
        [&]
        {
            int k = 0;
            while (!done.load())
            {
                IUlogList<CUlog>* list = Distinct()->GetUlogs();
                if (list == nullptr)
                {
                    ++badReads;
                    continue;
                }
                IUlogIterator<CUlog>* iter = list->GetIterator();
                int n = 0;
                for (iter->First(); !iter->IsDone(); iter->Next())
                    ++n;
                iter->Release();
                list->Release();
                if (n > 60 || Distinct()->GetCount() < 0 || Dupl()->GetCount() < 0)
                    ++badReads;
                // Contact data rewritten beside the writers, as the contacts service does.
                UlogInfo info = evtest::MakeInfo(Event{.number = NumberOf(k++ % nNumbers).c_str()});
                info.nPersonId = k;
                Distinct()->SetAllLogInfo(ULOG_UPDATE_PERSON_ID, &info);
                ++reads;
            }
        });
    for (auto& w : writers)
        w.join();
    done.store(true);
    reader.join();
    Distinct()->Detach(&tally, 1);

    EXPECT_EQ(failedAdds.load(), 0);
    EXPECT_EQ(badReads.load(), 0);
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(tally.added.load(), nTotal);
    EXPECT_EQ(tally.notMirrored.load(), 0);
    EXPECT_EQ(tally.sharedEventIds, 0);

    // Every event under its row, as many as the row counts and at most 30; one row per correspondent and
    // type, at most 30 of a type (the calls' rows fewer), each with its own sort index; one group per
    // correspondent across the types.
    ulogtest::ExpectTablesConsistent(m_root, "after the concurrent adds");
    EXPECT_EQ(DistinctRows("logtype = 4"), 30);
    EXPECT_GT(DistinctRows("logtype = 0"), 0);
    EXPECT_EQ(DistinctRows("logtype not in (0, 4)"), 0);
    EXPECT_EQ(Scalar("select count(distinct sortindex) from UlogDistinctDbTable"), DistinctRows());
    EXPECT_EQ(Scalar("select count(*) from (select basicnumber from UlogDistinctDbTable group by basicnumber "
                     "having count(distinct groupid) > 1)"),
              0);
    // Each event is either stored or left with its evicted row.
    ASSERT_EQ(tally.evictedEventsTwice.load() % 2, 0);
    EXPECT_EQ(DuplRows() + tally.evictedEventsTwice.load() / 2, nTotal);
}
