// The exported call-log and duplicate-log functions over the log managers: what they add (the record
// filled in or left alone, arguments refused, arrays bounded, the filters they build) and that each reaches
// its own table and rows. How the managers group, order and evict rows: tests/UlogSvcLogMgr.
#include "ApiTestSupport.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <random>
#include <set>

using namespace apitest;
using Texts = std::vector<std::string>;

TEST_F(ApiTest, LogTypesOutsideTheRangeAreRefusedAndLeaveTheRecordAlone)
{
    for (int type : {-1, 11, 12, 1000, INT_MIN})
    {
        UlogInfo info = Record(ULOG_LOG_ORIGINATED, "0101234567");
        info.iLogType = static_cast<UlogLogType>(type);
        const UlogInfo before = info;
        EXPECT_EQ(UlogAddCallLog(&info), 0) << type;
        EXPECT_EQ(std::memcmp(&info, &before, sizeof(info)), 0) << type;
        EXPECT_EQ(UlogUpdateCallLog(&info), 0) << type;
        EXPECT_EQ(UlogGetCallLogCountEx(static_cast<UlogLogType>(type)), 0) << type;
        int n = -5;
        EXPECT_EQ(UlogGetCallLogCount(static_cast<UlogLogType>(type), &n), 1);
        EXPECT_EQ(n, 0);
    }
    EXPECT_TRUE(UlogCtlDiagnosticsContain("UlogAddCallLog: !ptr.IsValidPtr() failed."));
    EXPECT_EQ(WalkAndRelease(UlogGetAllLogInfo()).size(), 0u);
    EXPECT_EQ(WalkAndRelease(UlogGetDuplAllLogInfo()).size(), 0u);
}

// Random records, every other one with a valid type: refused or stored, never read past a field, and the
// service goes on storing and reading.
TEST_F(ApiTest, RecordsOfGarbageBytesNeverCrashTheService)
{
    std::mt19937 rng(20261206u);
    int stored = 0;
    for (int i = 0; i < 40; ++i)
    {
        UlogInfo info;
        unsigned char* bytes = reinterpret_cast<unsigned char*>(&info);
        for (size_t k = 0; k < sizeof(info); ++k)
            bytes[k] = static_cast<unsigned char>(rng());
        if (i % 2 == 0)
            info.iLogType = static_cast<UlogLogType>(rng() % ULOG_LOG_CNT_MAX);
        const bool valid = _UlogIsValidLog(info.iLogType);
        const BOOL result = UlogAddCallLog(&info);
        EXPECT_TRUE(valid || result == 0);
        stored += result;
        UlogUpdateCallLog(&info);
        UlogSetAllCallLogInfo(ULOG_UPDATE_NAME | ULOG_UPDATE_TIMES, &info);
    }
    EXPECT_GT(stored, 0);
    // (Records of constant fills, every text unterminated: the log kinds' tests.)
    const UlogInfo ok = Add(ULOG_LOG_TERMINATED, "0311112222", 1800000000u);
    UlogInfo back;
    ASSERT_EQ(UlogGetCallLogInfoByUniqueID(ok.nUniqueId, &back), 1);
    EXPECT_STREQ(back.szNumber, "0311112222");
}

// Each refusal is reported once, answered with 0 and recorded as an invalid argument; nothing is written
// through the pointers.
TEST_F(ApiTest, NullAndOutOfRangeArgumentsAreRefusedWithTheirReports)
{
    Add(ULOG_LOG_ORIGINATED, "0101234567"); // rows to give, had a call not been refused
    const UlogLogType ORG = ULOG_LOG_ORIGINATED;
    const char* const record = "ASSERTION_REQUIRE: pUlogInfo != NULL (UlogSvcLogMgr/UlogSvcDistinctMgr:";
    UlogInfo array[2];
    const std::pair<std::function<BOOL()>, const char*> refusals[] = {
        {[] { return UlogAddCallLog(nullptr); }, "pUlogInfo != NULL (UlogSvcLogMgr/UlogSvcDistinctMgr:1551)"},
        {[] { return UlogGetCallLogInfoByUniqueID(1, nullptr); }, record},
        {[&] { return UlogGetAllCallLogInfo(ORG, nullptr); }, record},
        {[&] { return UlogGetAllCallLogInfoEx(ORG, nullptr, 2, nullptr); },
         "(0 <= nCapacity) && (pUlogInfo != NULL || nCapacity == 0)"},
        {[&] { return UlogGetAllCallLogInfoEx(ORG, array, -1, nullptr); }, "(0 <= nCapacity)"},
        {[&] { return UlogGetFirstCallLogByType(ORG, nullptr); }, record},
        {[&] { return UlogGetLastCallLogByType(ORG, nullptr); }, record},
        {[] { return UlogGetFirstCallLog(nullptr); }, record},
        {[] { return UlogGetLastCallLog(nullptr); }, record},
        // The mask is checked before the record.
        {[] { return UlogSetAllCallLogInfo(ULOG_UPDATE_NONE, nullptr); }, "iUpdateType != ULOG_UPDATE_NONE"},
        {[] { return UlogSetAllCallLogInfo(ULOG_UPDATE_NAME, nullptr); }, record},
        {[] { return UlogUpdateTempPrevLog(nullptr); }, record},
        {[] { return UlogUpdateCallLog(nullptr); }, record},
        {[] { return UlogUpdateCallLogNameByVoicemail(nullptr); }, "pMbdnInfo != NULL"},
        {[] { return UlogGetUnreadMissedCallLog(nullptr, 5); }, "pUnreadMissedLog != NULL"},
        {[&] { return UlogGetCallLogCount(ORG, nullptr); },
         "pnCount != NULL (UlogSvcLogMgr/UlogSvcDistinctMgr:"},
        {[&] { return UlogGetToolbarOnLogCount(ORG, nullptr); }, "pnCount != NULL"},
        {[&] { return UlogGetDuplLogUncheckedCount(ORG, nullptr); },
         "pnCount != NULL (UlogSvcLogMgr/UlogSvcDuplMgr:"},
        {[] { return UlogSvcIteratorGetCurItem(1, nullptr); },
         "pUlogInfo != NULL (UlogSvcCollection/UlogSvcIteratorAdapter:222)"},
        {[] { return UlogFillContactInfo(nullptr); }, nullptr},
        {[]
         {
             UlogInfo info = Record(ULOG_LOG_CNT_MAX, "0101234567");
             return UlogAddCallLog(&info);
         },
         "CUlogSvcGenerator::Generate: iLogType (11)"}};
    for (size_t i = 0; i < std::size(refusals); ++i)
    {
        const auto& [call, report] = refusals[i];
        SCOPED_TRACE(i);
        UlogCtlClearDiagnostics();
        EXPECT_EQ(call(), 0);
        EXPECT_EQ(LastError(), Expected(ULOG_ERR_INVALID_ARGUMENT, "invalid argument"));
        EXPECT_EQ(UlogCtlGetAssertCount(), report != nullptr ? 1 : 0);
        EXPECT_TRUE(report == nullptr || UlogCtlDiagnosticsContain(report));
    }
}

// Field numbers outside the table's columns are refused: no sum, no handle.
TEST_F(ApiTest, FieldsOutsideTheColumnsGiveNoSumAndNoHandle)
{
    Add(ULOG_LOG_ORIGINATED, "0101111111");
    for (int field : {-1, static_cast<int>(ULOG_DB_FIELD_CNT_MAX), 100000, INT_MIN})
    {
        UlogCtlClearDiagnostics();
        for (int (*pfnRead)(int) :
             {UlogGetSum, UlogGetAverage, UlogGetDuplSum, UlogGetDuplAverage, UlogGetMaxLogInfo,
              UlogGetMinLogInfo, UlogGetDuplMaxLogInfo, UlogGetDuplMinLogInfo})
        {
            EXPECT_EQ(pfnRead(field), 0) << field;
            EXPECT_EQ(UlogGetLastError(nullptr), ULOG_ERR_INVALID_ARGUMENT)
                << "a refused field is told from a sum of 0";
        }
        EXPECT_EQ(UlogCtlGetAssertCount(), 8) << field;
        EXPECT_TRUE(UlogCtlDiagnosticsContain("(0 <= nField) && (nField < ULOG_DB_FIELD_CNT_MAX)"));
    }
}

// An added event's record is filled in from its row. One set of rows read through every family of reads:
// each reaches its own table (rows or events), its own end of the list and the rows of the filter it builds.
TEST_F(ApiTest, AddsFillTheirRecordAndEachReadReachesItsTableAndRows)
{
    const UlogInfo a = Add(ULOG_LOG_ORIGINATED, "0101111111", 1700000000u);
    EXPECT_GE(a.nUniqueId, 0);
    EXPECT_GE(a.nGroupId, 0);
    EXPECT_GE(a.nSortIndex, 0);
    EXPECT_EQ(a.nParentId, a.nUniqueId);
    EXPECT_EQ(a.nDuplLogCount, 1);
    EXPECT_STREQ(a.szNumber, "0101111111");
    EXPECT_EQ(a.iLogType, ULOG_LOG_ORIGINATED);
    const UlogInfo b = Add(ULOG_LOG_ORIGINATED, "0102222222", 1700000060u);
    // A further event of a's number: the record takes the row it joined, now the newer of the two.
    const UlogInfo again = Add(ULOG_LOG_ORIGINATED, "0101111111", 1700000120u);
    EXPECT_EQ(again.nUniqueId, a.nUniqueId);
    EXPECT_EQ(again.nGroupId, a.nGroupId);
    EXPECT_EQ(again.nDuplLogCount, 2);
    EXPECT_GT(again.nSortIndex, b.nSortIndex);
    Add(ULOG_LOG_MISSED, "0103333333", 1700000180u, true);
    Add(ULOG_LOG_MISSED, "0103333333", 1700000240u, true);
    Add(ULOG_LOG_MISSED, "0104444444", 1700000300u);
    Add(ULOG_LOG_MSG_RECEIVED, "0105555555", 1700000360u, true);

    UlogInfo read;
    auto number = [&read](BOOL bRead) { return bRead ? std::string(read.szNumber) : "<failed>"; };
    EXPECT_EQ(number(UlogGetFirstCallLog(&read)), "0102222222");
    EXPECT_EQ(number(UlogGetLastCallLog(&read)), "0105555555");
    EXPECT_EQ(number(UlogGetFirstCallLogByType(ULOG_LOG_MISSED, &read)), "0103333333");
    EXPECT_EQ(number(UlogGetFirstCallLogByType(ULOG_LOG_ORIGINATED, &read)), "0102222222");
    EXPECT_EQ(number(UlogGetLastCallLogByType(ULOG_LOG_ORIGINATED, &read)), "0101111111");
    EXPECT_EQ(read.nDuplLogCount, 2);
    EXPECT_EQ(number(UlogGetCallLogInfoByUniqueID(b.nUniqueId, &read)), "0102222222");
    EXPECT_EQ(read.nGroupId, b.nGroupId);

    auto counted = [](BOOL (*pfnCount)(UlogLogType, int*), int type)
    {
        int n = -1;
        return pfnCount(static_cast<UlogLogType>(type), &n) ? n : -100;
    };
    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_ORIGINATED), 2);
    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_TERMINATED), 0);
    EXPECT_EQ(counted(UlogGetCallLogCount, ULOG_LOG_MISSED), 2);
    EXPECT_EQ(counted(UlogGetToolbarOnLogCount, ULOG_LOG_ORIGINATED), 2);
    EXPECT_EQ(counted(UlogGetToolbarOnLogCount, ULOG_LOG_TERMINATED), 0);
    EXPECT_EQ(UlogGetDuplLogCount(ULOG_LOG_ORIGINATED), 3);
    EXPECT_EQ(UlogGetDuplLogCount(ULOG_LOG_MISSED), 3);
    EXPECT_EQ(UlogGetDuplLogCount(static_cast<UlogLogType>(-1)), 0);
    // Events of the type still unchecked.
    EXPECT_EQ(counted(UlogGetDuplLogUncheckedCount, ULOG_LOG_MISSED), 2);
    EXPECT_EQ(counted(UlogGetDuplLogUncheckedCount, ULOG_LOG_MSG_RECEIVED), 1);
    EXPECT_EQ(counted(UlogGetDuplLogUncheckedCount, ULOG_LOG_ORIGINATED), 0);
    EXPECT_EQ(counted(UlogGetDuplLogUncheckedCount, 42), 0);

    EXPECT_EQ(WalkAndRelease(UlogGetAllLogInfo()).size(), 5u);
    EXPECT_EQ(Numbers(WalkAndRelease(UlogGetAllLogInfoByType(ULOG_LOG_MISSED))),
              (Texts{"0104444444", "0103333333"}));
    const std::vector<UlogInfo> outgoing = WalkAndRelease(UlogGetDuplAllLogInfoByType(ULOG_LOG_ORIGINATED));
    std::multiset<int> parents;
    for (const UlogInfo& event : outgoing)
    {
        parents.insert(event.nParentId);
        EXPECT_EQ(event.nGroupId, event.nParentId == a.nUniqueId ? a.nGroupId : b.nGroupId);
    }
    EXPECT_EQ(parents, (std::multiset<int>{a.nUniqueId, a.nUniqueId, b.nUniqueId}));
    EXPECT_EQ(WalkAndRelease(UlogGetDuplAllLogInfoByType(ULOG_LOG_EMAIL_SENT)).size(), 0u);
    const std::vector<UlogInfo> events = WalkAndRelease(UlogGetDuplAllLogInfo());
    ASSERT_EQ(events.size(), 7u);
    for (size_t i = 0; i < events.size(); ++i)
        EXPECT_EQ(UlogGetDuplIndex(events[i].nUniqueId), static_cast<int>(i));
    EXPECT_EQ(UlogGetDuplIndex(-1), -1);

    // A row starts when its newest event does: the oldest start of a row and of an event differ.
    EXPECT_EQ(Numbers(WalkAndRelease(UlogGetMaxLogInfo(ULOG_DB_START_TIME))), Texts{"0105555555"});
    EXPECT_EQ(Numbers(WalkAndRelease(UlogGetMinLogInfo(ULOG_DB_START_TIME))), Texts{"0102222222"});
    EXPECT_EQ(Numbers(WalkAndRelease(UlogGetDuplMaxLogInfo(ULOG_DB_START_TIME))), Texts{"0105555555"});
    const std::vector<UlogInfo> oldest = WalkAndRelease(UlogGetDuplMinLogInfo(ULOG_DB_START_TIME));
    ASSERT_EQ(oldest.size(), 1u);
    EXPECT_EQ(oldest[0].tmStart, 1700000000u);
    EXPECT_EQ(UlogGetSum(ULOG_DB_SN_COUNT), 7);
    EXPECT_EQ(UlogGetSum(ULOG_DB_LOG_TYPE), 8);      // rows of types 0, 0, 2, 2, 4
    EXPECT_EQ(UlogGetDuplSum(ULOG_DB_LOG_TYPE), 10); // events of types 0, 0, 0, 2, 2, 2, 4
    EXPECT_EQ(UlogGetDuplAverage(ULOG_DB_END_TIME) - UlogGetDuplAverage(ULOG_DB_START_TIME), 60);

    EXPECT_EQ(UlogSetFilter(3), 1);
    EXPECT_EQ(UlogSetOrder(1, 2, 3, 4), 1);
    EXPECT_EQ(UlogSetDuplFilter(0), 1);
    EXPECT_EQ(UlogSetDuplOrder(0, 0, 0, 0), 1);
}

// The array reads write one record per row from the first on, and nothing past the rows, the capacity or
// the bound; the unread ones are the rows not looked at yet, until every row is marked as read.
TEST_F(ApiTest, ArrayReadsWriteOneRecordPerRowAndNothingPastTheirBound)
{
    using Set = std::set<std::string>;
    UlogInfo untouched[4];
    std::memset(untouched, 0x5a, sizeof(untouched));
    UlogInfo array[4];
    std::memcpy(array, untouched, sizeof(array));
    // The numbers written into the first n records, the others left as they were; the array then restored.
    auto firstWritten = [&](int n)
    {
        Set numbers;
        for (int i = 0; i < 4; ++i)
        {
            const bool bWritten = std::memcmp(&array[i], &untouched[i], sizeof(UlogInfo)) != 0;
            numbers.insert(bWritten != (i < n) ? "<record " + std::to_string(i) + ">"
                                               : (bWritten ? array[i].szNumber : ""));
        }
        numbers.erase("");
        std::memcpy(array, untouched, sizeof(array));
        return numbers;
    };
    EXPECT_EQ(UlogGetAllCallLogInfo(ULOG_LOG_MISSED, array), 1);
    EXPECT_EQ(firstWritten(0), Set{});

    Add(ULOG_LOG_MISSED, "0101111111", 1700000000u, true);
    Add(ULOG_LOG_MISSED, "0102222222", 1700000010u, true);
    Add(ULOG_LOG_MISSED, "0103333333", 1700000020u);
    Add(ULOG_LOG_ORIGINATED, "0104444444", 1700000030u);
    const Set missed = {"0101111111", "0102222222", "0103333333"};
    EXPECT_EQ(UlogGetAllCallLogInfo(ULOG_LOG_MISSED, array), 1);
    EXPECT_EQ(firstWritten(3), missed);
    int nFilled = -1;
    EXPECT_EQ(UlogGetAllCallLogInfoEx(ULOG_LOG_MISSED, array, 2, &nFilled), 1);
    EXPECT_EQ(nFilled, 2);
    const Set two = firstWritten(2);
    EXPECT_EQ(two.size(), 2u);
    EXPECT_TRUE(std::includes(missed.begin(), missed.end(), two.begin(), two.end()));
    EXPECT_EQ(UlogGetAllCallLogInfoEx(ULOG_LOG_MISSED, array, 4, nullptr), 1);
    EXPECT_EQ(firstWritten(3), missed);
    EXPECT_EQ(UlogGetAllCallLogInfoEx(ULOG_LOG_MISSED, nullptr, 0, &nFilled), 1);
    EXPECT_EQ(nFilled, 0);
    UlogCtlFailNextSql(1);
    EXPECT_EQ(UlogGetAllCallLogInfoEx(ULOG_LOG_MISSED, array, 4, &nFilled), 0);
    EXPECT_EQ(nFilled, 0);
    EXPECT_EQ(firstWritten(0), Set{});

    for (int nMax : {0, -3})
    {
        EXPECT_EQ(UlogGetUnreadMissedCallLog(array, nMax), 1);
        EXPECT_EQ(firstWritten(0), Set{}) << nMax;
    }
    EXPECT_EQ(UlogGetUnreadMissedCallLog(array, 1), 1);
    EXPECT_EQ(array[0].bUncheckedYet, 1);
    EXPECT_EQ(firstWritten(1).size(), 1u);
    EXPECT_EQ(UlogGetUnreadMissedCallLog(array, 3), 1);
    EXPECT_EQ(firstWritten(2), (Set{"0101111111", "0102222222"}));
    EXPECT_EQ(UlogGetUnreadTotalMissedCount(), 3);
    EXPECT_EQ(UlogGetUnreadMissedLogCount(), 3);
    EXPECT_EQ(UlogSetAllUnreadMissedStatus(0), 1);
    EXPECT_EQ(UlogGetUnreadMissedCallLog(array, 3), 1);
    EXPECT_EQ(firstWritten(0), Set{});
    EXPECT_EQ(UlogGetUnreadMissedLogCount(), 3);
}

// Lookups of absent rows; the record is left as it was.
TEST_F(ApiTest, LookupsOfAbsentRowsFailWithNoSuchLog)
{
    UlogInfo info;
    std::memset(&info, 0x33, sizeof(info));
    const UlogInfo before = info;
    const std::function<BOOL(UlogInfo*)> lookups[] = {
        UlogGetFirstCallLog,
        UlogGetLastCallLog,
        [](UlogInfo* p) { return UlogGetFirstCallLogByType(ULOG_LOG_MISSED, p); },
        [](UlogInfo* p) { return UlogGetLastCallLogByType(ULOG_LOG_MISSED, p); },
        [](UlogInfo* p) { return UlogGetCallLogInfoByUniqueID(12345, p); },
        [](UlogInfo*) { return UlogDeleteCallLog(12345); }};
    for (const auto& lookup : lookups)
    {
        EXPECT_EQ(lookup(&info), 0) << &lookup - lookups;
        EXPECT_EQ(LastError(), Expected(ULOG_ERR_NOT_FOUND, "no such log")) << &lookup - lookups;
    }
    EXPECT_EQ(std::memcmp(&info, &before, sizeof(info)), 0);
}

// An update rewrites the row of the record; a voicemail entry renames the rows of its number.
TEST_F(ApiTest, UpdatesRewriteTheRowsOfTheirRecord)
{
    const UlogInfo a = Add(ULOG_LOG_TERMINATED, "0105550000");
    UlogInfo row;
    ASSERT_EQ(UlogGetCallLogInfoByUniqueID(a.nUniqueId, &row), 1);
    std::strcpy(row.szName, "Bob");
    row.tmEnd = row.tmStart + 600;
    EXPECT_EQ(UlogUpdateCallLog(&row), 1);
    UlogInfo back;
    ASSERT_EQ(UlogGetCallLogInfoByUniqueID(a.nUniqueId, &back), 1);
    EXPECT_STREQ(back.szName, "Bob");
    EXPECT_EQ(back.tmEnd - back.tmStart, 600u);
    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_TERMINATED), 1);

    MbdnInfo entry;
    std::memset(&entry, 0, sizeof(entry));
    EXPECT_EQ(UlogUpdateCallLogNameByVoicemail(&entry), 0); // an entry that is not set changes nothing
    entry.bSet = 1;
    std::strcpy(entry.szNumber, "0105550000");
    std::memcpy(entry.mszName, u"Voicemail", sizeof(u"Voicemail"));
    EXPECT_EQ(UlogUpdateCallLogNameByVoicemail(&entry), 1);
    ASSERT_EQ(UlogGetCallLogInfoByUniqueID(a.nUniqueId, &back), 1);
    EXPECT_STREQ(back.szName, "Voicemail");
}
