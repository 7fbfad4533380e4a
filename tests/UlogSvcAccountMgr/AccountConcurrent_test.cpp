// The service lock and the statistics lock taken from many tasks at once: observers that read the
// statistics and the log lists while a change is announced (under the service lock), tasks that store
// calls, and a task that writes the stored-log counts (which asks the log manager for them). The
// locks have one order, so all of it runs to the end.
#include "UlogSvcAccountMgr/AccountTestUtil.h"
#include "support/Records.h"

#include "H/UlogSvcList.h"
#include "UlogSvc.h"
#include "UlogSvcChangeMgr/CUlogSvcSubject.h"
#include "UlogSvcChangeMgr/IUlogObserver.h"
#include "UlogSvcLogMgr/CUlogSvcDistinctMgr.h"
#include "control/PlatformControl.h"

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace accounttest;

namespace
{
constexpr int kAddThreads = 3;
constexpr int kCallsEach = 40;

// Reads figures and a list on every announced change, as a call screen refreshing itself would.
class StatisticsReader : public IUlogObserver
{
public:
    BOOL Update(CUlogSvcSubject* pSubject, CUlogObject*, const IUlogSvcFilter*) override
    {
        if (pSubject->GetChangeType() != CUlogSvcSubject::CHANGE_ADD)
            return TRUE;
        ++m_nAdds;
        UlogGetLastCallTime();
        UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1);
        UlogGetLifeTime();
        IUlogList<CUlog>* pList = IUlogSvcDistinctMgr::Instance()->GetUlogs(ULOG_LOG_ORIGINATED);
        if (pList == nullptr)
            ++m_nFailedReads;
        else
            pList->Release();
        if (UlogGetCallLogCountEx(ULOG_LOG_TERMINATED) < 0)
            ++m_nFailedReads;
        return TRUE;
    }
    std::atomic<int> m_nAdds{0};
    std::atomic<int> m_nFailedReads{0};
};

// The service started: both named locks exist, the log counts have their source.
using AccountConcurrentTest = ulogtest::ServiceTest;

TEST_F(AccountConcurrentTest, ObserversReadingStatisticsBesideCallsAndLogCountsRunToTheEnd)
{
    UlogCtlCaptureDiagnostics(FALSE); // thousands of progress messages
    StatisticsReader reader;
    // The distinct log manager is the subject of the service's changes.
    CUlogSvcDistinctMgr* pDistinct = static_cast<CUlogSvcDistinctMgr*>(IUlogSvcDistinctMgr::Instance());
    ASSERT_TRUE(pDistinct->Attach(&reader, 1));

    std::atomic<int> nFailedAdds{0};
    std::atomic<int> nRunning{kAddThreads};
    std::vector<std::thread> adders;
    for (int t = 0; t < kAddThreads; ++t)
        adders.emplace_back(
            [&, t]
            {
                for (int i = 0; i < kCallsEach; ++i)
                {
                    const std::string number = "0107000" + std::to_string(t * 100 + i % 7);
                    UlogInfo info = ulogtest::MakeInfo(
                        ulogtest::Event{.type = (t % 2 == 0) ? ULOG_LOG_ORIGINATED : ULOG_LOG_TERMINATED,
                                        .number = number.c_str(),
                                        .start = kCallStart,
                                        .duration = 1u + t});
                    if (UlogAddCallLog(&info) != TRUE)
                        ++nFailedAdds;
                }
                --nRunning;
            });
    // The vCard export's step: the counts of the call lists, under the statistics lock.
    int nCountWrites = 0;
    int nFailedCountWrites = 0;
    std::thread counter(
        [&]
        {
            while (nRunning.load() > 0)
            {
                ++nCountWrites;
                if (!CUlogSvcAccountMgr::Instance()->WriteLogCount())
                    ++nFailedCountWrites;
            }
        });
    for (std::thread& adder : adders)
        adder.join();
    counter.join();
    pDistinct->Detach(&reader, 1);

    EXPECT_EQ(nFailedAdds.load(), 0);
    EXPECT_EQ(reader.m_nAdds.load(), kAddThreads * kCallsEach);
    EXPECT_EQ(reader.m_nFailedReads.load(), 0);
    EXPECT_GT(nCountWrites, 0);
    EXPECT_EQ(nFailedCountWrites, 0);

    // Every call counted once (tasks 0 and 2 dial, task 1 receives; task t's calls last 1 + t seconds);
    // the last counts written match the lists.
    const unsigned int tmOut = kCallsEach * (1 + 3), tmIn = kCallsEach * 2;
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_ORIGINATED, ULOG_CALL_VOICE, ULOG_LINE_1), tmOut);
    EXPECT_EQ(UlogGetTotalCallTime(ULOG_LOG_TERMINATED, ULOG_CALL_VOICE, ULOG_LINE_1), tmIn);
    EXPECT_EQ(UlogGetLifeTime(), tmOut + tmIn);
    EXPECT_EQ(UlogIni("OriginatedLog", "Voice1TotalTime"), tmOut);
    EXPECT_EQ(UlogIni("TerminatedLog", "Voice1TotalTime"), tmIn);
    EXPECT_EQ(NvGetInt(459), static_cast<int>(tmOut + tmIn));
    ASSERT_TRUE(CUlogSvcAccountMgr::Instance()->WriteLogCount());
    EXPECT_EQ(DiskInt("MoxSetMemoryStatus.ini", "CallLog", "Count3"),
              UlogGetCallLogCountEx(ULOG_LOG_ORIGINATED));
    EXPECT_EQ(DiskInt("MoxSetMemoryStatus.ini", "CallLog", "Count2"),
              UlogGetCallLogCountEx(ULOG_LOG_TERMINATED));
}
} // namespace
