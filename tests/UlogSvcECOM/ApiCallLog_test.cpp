// The exported call-log and duplicate-log functions, called as an application calls them.
#include "ApiTestSupport.h"

#include "KivCore/KivCore.h"
#include "UlogSvcECOM/UlogSvcECOM.h"

#include <random>
#include <set>

using apitest::Add;
using apitest::ApiTest;
using apitest::Record;
using apitest::WalkAndRelease;
using ulogtest::Event;

namespace
{
int TotalDistinctRows()
{
    int n = 0;
    for (int type = 0; type < ULOG_LOG_CNT_MAX; ++type)
        n += UlogGetCallLogCountEx(static_cast<UlogLogType>(type));
    return n;
}

UlogInfo Filled(unsigned char byte)
{
    UlogInfo info;
    std::memset(&info, byte, sizeof(info));
    return info;
}
} // namespace

// The record of an added event is filled in; further events of one number share its row and other numbers
// get their own.
TEST_F(ApiTest, EventsFillTheirRecordShareTheRowOfTheirNumberAndAreReadBack)
{
    UlogInfo first = Record(ULOG_LOG_ORIGINATED, "0101234567", 1700000000u);
    ASSERT_EQ(UlogAddCallLog(&first), 1);
    EXPECT_GE(first.nUniqueId, 0);
    EXPECT_GE(first.nGroupId, 0);
    EXPECT_GE(first.nSortIndex, 0);
    EXPECT_EQ(first.nParentId, first.nUniqueId);
    EXPECT_EQ(first.nDuplLogCount, 1);
    EXPECT_STREQ(first.szNumber, "0101234567");
    EXPECT_EQ(first.iLogType, ULOG_LOG_ORIGINATED);
    // The one event behind the row points at it.
    std::vector<UlogInfo> events = WalkAndRelease(UlogGetDuplAllLogInfo());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].nParentId, first.nUniqueId);
    EXPECT_EQ(events[0].nGroupId, first.nGroupId);

    UlogInfo other = Add(ULOG_LOG_ORIGINATED, "0209876543", 1700000100u);
    UlogInfo again = Add(ULOG_LOG_ORIGINATED, "0101234567", 1700000200u);
    EXPECT_EQ(again.nUniqueId, first.nUniqueId);
    EXPECT_EQ(again.nGroupId, first.nGroupId);
    EXPECT_EQ(again.nDuplLogCount, 2);
    EXPECT_GT(again.nSortIndex, other.nSortIndex);
    EXPECT_NE(other.nUniqueId, first.nUniqueId);
    EXPECT_NE(other.nGroupId, first.nGroupId);

    // A missed call from the same number: a row of its own type in the same group.
    UlogInfo missed = Add(ULOG_LOG_MISSED, "0101234567", 1700000300u);
    EXPECT_NE(missed.nUniqueId, first.nUniqueId);
    EXPECT_EQ(missed.nGroupId, first.nGroupId);

    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_ORIGINATED), 2);
    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_MISSED), 1);
    EXPECT_EQ(UlogGetDuplLogCount(ULOG_LOG_ORIGINATED), 3);

    UlogInfo read;
    ASSERT_EQ(UlogGetLastCallLog(&read), 1);
    EXPECT_EQ(read.nUniqueId, missed.nUniqueId);
    ASSERT_EQ(UlogGetFirstCallLogByType(ULOG_LOG_ORIGINATED, &read), 1);
    EXPECT_EQ(read.nUniqueId, other.nUniqueId);
    ASSERT_EQ(UlogGetLastCallLogByType(ULOG_LOG_ORIGINATED, &read), 1);
    EXPECT_EQ(read.nUniqueId, first.nUniqueId);
    EXPECT_EQ(read.nDuplLogCount, 2);
    ASSERT_EQ(UlogGetFirstCallLog(&read), 1);
    EXPECT_EQ(read.nUniqueId, other.nUniqueId);
}

TEST_F(ApiTest, LogTypesOutsideTheRangeAreRefusedAndLeaveTheRecordAlone)
{
    for (int type : {-1, 11, 12, 1000, -2147483647 - 1})
    {
        UlogInfo info = Record(ULOG_LOG_ORIGINATED, "0101234567");
        info.iLogType = static_cast<UlogLogType>(type);
        UlogInfo before = info;
        EXPECT_EQ(UlogAddCallLog(&info), 0) << type;
        EXPECT_EQ(std::memcmp(&info, &before, sizeof(info)), 0) << type;
        EXPECT_EQ(UlogUpdateCallLog(&info), 0) << type;
        EXPECT_EQ(UlogGetCallLogCountEx(static_cast<UlogLogType>(type)), 0) << type;
        int n = -5;
        EXPECT_EQ(UlogGetCallLogCount(static_cast<UlogLogType>(type), &n), 1);
        EXPECT_EQ(n, 0);
        EXPECT_EQ(WalkAndRelease(UlogGetAllLogInfoByType(static_cast<UlogLogType>(type))).size(), 0u);
    }
    EXPECT_TRUE(UlogCtlDiagnosticsContain("UlogAddCallLog: !ptr.IsValidPtr() failed."));
    EXPECT_EQ(TotalDistinctRows(), 0);
    EXPECT_EQ(WalkAndRelease(UlogGetDuplAllLogInfo()).size(), 0u);
}

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
        // Every other record has a valid log type, so that it gets as far as the tables.
        if (i % 2 == 0)
            info.iLogType = static_cast<UlogLogType>(rng() % ULOG_LOG_CNT_MAX);
        const bool valid = _UlogIsValidLog(info.iLogType);
        const BOOL result = UlogAddCallLog(&info);
        if (!valid)
            EXPECT_EQ(result, 0);
        else
            stored += result;
        UlogUpdateCallLog(&info);
        UlogSetAllCallLogInfo(ULOG_UPDATE_NAME | ULOG_UPDATE_TIMES, &info);
    }
    EXPECT_GT(stored, 0);

    // Constant fills: every text unterminated.
    for (unsigned char byte : {0x00, 0x7f, 0xff})
    {
        UlogInfo info = Filled(byte);
        info.iLogType = ULOG_LOG_MSG_RECEIVED;
        EXPECT_EQ(UlogAddCallLog(&info), 1);
        EXPECT_LT(std::strlen(info.szNumber), sizeof(info.szNumber));
        EXPECT_LT(std::strlen(info.szName), sizeof(info.szName));
    }

    // The service still stores and reads ordinary events.
    UlogInfo ok = Add(ULOG_LOG_TERMINATED, "0311112222", 1800000000u);
    UlogInfo back;
    ASSERT_EQ(UlogGetCallLogInfoByUniqueID(ok.nUniqueId, &back), 1);
    EXPECT_STREQ(back.szNumber, "0311112222");
}

TEST_F(ApiTest, NullPointersAreRefusedWithTheirReports)
{
    EXPECT_EQ(UlogAddCallLog(nullptr), 0);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pUlogInfo != NULL (UlogSvcLogMgr/UlogSvcDistinctMgr:1551)"));
    EXPECT_EQ(UlogGetCallLogInfoByUniqueID(1, nullptr), 0);
    EXPECT_EQ(UlogGetAllCallLogInfo(ULOG_LOG_ORIGINATED, nullptr), 0);
    EXPECT_EQ(UlogGetFirstCallLogByType(ULOG_LOG_ORIGINATED, nullptr), 0);
    EXPECT_EQ(UlogGetLastCallLogByType(ULOG_LOG_ORIGINATED, nullptr), 0);
    EXPECT_EQ(UlogGetLastCallLog(nullptr), 0);
    EXPECT_EQ(UlogUpdateTempPrevLog(nullptr), 0);
    EXPECT_EQ(UlogUpdateCallLog(nullptr), 0);
    EXPECT_EQ(UlogUpdateCallLogNameByVoicemail(nullptr), 0);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pMbdnInfo != NULL"));
    EXPECT_EQ(UlogGetUnreadMissedCallLog(nullptr, 5), 0);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pUnreadMissedLog != NULL"));
    EXPECT_EQ(UlogCtlGetAssertCount(), 10);

    UlogCtlClearDiagnostics();
    EXPECT_EQ(UlogGetFirstCallLog(nullptr), 0);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("ASSERTION_REQUIRE: pUlogInfo != NULL"));
    EXPECT_EQ(UlogCtlGetAssertCount(), 1);
}

TEST_F(ApiTest, CountFunctionsRefuseANullCountPointerInsteadOfWritingThroughIt)
{
    Add(ULOG_LOG_ORIGINATED, "0101234567");
    EXPECT_EQ(UlogGetCallLogCount(ULOG_LOG_ORIGINATED, nullptr), 0);
    EXPECT_EQ(UlogGetToolbarOnLogCount(ULOG_LOG_ORIGINATED, nullptr), 0);
    EXPECT_EQ(UlogGetDuplLogUncheckedCount(ULOG_LOG_ORIGINATED, nullptr), 0);
    EXPECT_EQ(UlogCtlGetAssertCount(), 3);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pnCount != NULL"));

    int n = -1;
    EXPECT_EQ(UlogGetCallLogCount(ULOG_LOG_ORIGINATED, &n), 1);
    EXPECT_EQ(n, 1);
    n = -1;
    EXPECT_EQ(UlogGetToolbarOnLogCount(ULOG_LOG_ORIGINATED, &n), 1);
    EXPECT_EQ(n, 1);
    n = -1;
    EXPECT_EQ(UlogGetToolbarOnLogCount(ULOG_LOG_MISSED, &n), 1);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_ORIGINATED), 1);
    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_TERMINATED), 0);
}

TEST_F(ApiTest, ArrayReadsWriteOneRecordPerRowAndNothingForAnEmptyType)
{
    UlogInfo untouched[4];
    std::memset(untouched, 0x5a, sizeof(untouched));
    UlogInfo array[4];
    std::memcpy(array, untouched, sizeof(array));
    EXPECT_EQ(UlogGetAllCallLogInfo(ULOG_LOG_TERMINATED, array), 1);
    EXPECT_EQ(std::memcmp(array, untouched, sizeof(array)), 0);

    Add(ULOG_LOG_TERMINATED, "0101111111", 1700000000u);
    Add(ULOG_LOG_TERMINATED, "0102222222", 1700000010u);
    Add(ULOG_LOG_TERMINATED, "0103333333", 1700000020u);
    Add(ULOG_LOG_ORIGINATED, "0104444444", 1700000030u);
    ASSERT_EQ(UlogGetCallLogCountEx(ULOG_LOG_TERMINATED), 3);
    EXPECT_EQ(UlogGetAllCallLogInfo(ULOG_LOG_TERMINATED, array), 1);
    std::set<std::string> numbers;
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(array[i].iLogType, ULOG_LOG_TERMINATED);
        numbers.insert(array[i].szNumber);
    }
    EXPECT_EQ(numbers, (std::set<std::string>{"0101111111", "0102222222", "0103333333"}));
    EXPECT_EQ(std::memcmp(&array[3], &untouched[3], sizeof(UlogInfo)), 0);
}

TEST_F(ApiTest, LookupsOfAbsentRowsFailAndLeaveTheRecordUntouched)
{
    UlogInfo info = Filled(0x33);
    const UlogInfo before = info;
    EXPECT_EQ(UlogGetFirstCallLog(&info), 0);
    EXPECT_EQ(UlogGetLastCallLog(&info), 0);
    EXPECT_EQ(UlogGetFirstCallLogByType(ULOG_LOG_MISSED, &info), 0);
    EXPECT_EQ(UlogGetCallLogInfoByUniqueID(12345, &info), 0);
    EXPECT_EQ(std::memcmp(&info, &before, sizeof(info)), 0);
    EXPECT_EQ(UlogGetIndex(12345), -1);
    EXPECT_EQ(UlogGetDuplIndex(12345), -1);

    UlogInfo a = Add(ULOG_LOG_ORIGINATED, "0101111111", 1700000000u);
    UlogInfo b = Add(ULOG_LOG_ORIGINATED, "0102222222", 1700000010u);
    EXPECT_EQ(UlogGetCallLogInfoByUniqueID(b.nUniqueId, &info), 1);
    EXPECT_STREQ(info.szNumber, "0102222222");
    EXPECT_EQ(info.nGroupId, b.nGroupId);
    const int ia = UlogGetIndex(a.nUniqueId);
    const int ib = UlogGetIndex(b.nUniqueId);
    EXPECT_TRUE((ia == 0 && ib == 1) || (ia == 1 && ib == 0)) << ia << " " << ib;
    EXPECT_GE(UlogGetDuplIndex(b.nDuplLogLastUniqueId), 0);
}

TEST_F(ApiTest, UnreadMissedCallsAreReadBoundedAndCountedAlike)
{
    Add(Event{.type = ULOG_LOG_MISSED, .number = "0101111111", .duration = 0, .unchecked = true});
    Add(Event{.type = ULOG_LOG_MISSED,
              .number = "0102222222",
              .start = 1700000010u,
              .duration = 0,
              .unchecked = true});
    Add(Event{.type = ULOG_LOG_MISSED, .number = "0103333333", .start = 1700000020u, .duration = 0});
    Add(ULOG_LOG_ORIGINATED, "0104444444");

    UlogInfo array[3];
    std::memset(array, 0x11, sizeof(array));
    UlogInfo untouched[3];
    std::memcpy(untouched, array, sizeof(array));
    EXPECT_EQ(UlogGetUnreadMissedCallLog(array, 0), 1);
    EXPECT_EQ(UlogGetUnreadMissedCallLog(array, -3), 1);
    EXPECT_EQ(std::memcmp(array, untouched, sizeof(array)), 0);

    EXPECT_EQ(UlogGetUnreadMissedCallLog(array, 1), 1);
    EXPECT_EQ(array[0].bUncheckedYet, 1);
    EXPECT_EQ(std::memcmp(&array[1], &untouched[1], sizeof(UlogInfo)), 0);

    EXPECT_EQ(UlogGetUnreadMissedCallLog(array, 3), 1);
    std::set<std::string> unread = {array[0].szNumber, array[1].szNumber};
    EXPECT_EQ(unread, (std::set<std::string>{"0101111111", "0102222222"}));
    EXPECT_EQ(std::memcmp(&array[2], &untouched[2], sizeof(UlogInfo)), 0);

    EXPECT_EQ(UlogGetUnreadTotalMissedCount(), 3);
    EXPECT_EQ(UlogGetUnreadMissedLogCount(), UlogGetUnreadTotalMissedCount());

    // Marking every row as looked at leaves nothing unread.
    EXPECT_EQ(UlogSetAllUnreadMissedStatus(0), 1);
    std::memcpy(array, untouched, sizeof(array));
    EXPECT_EQ(UlogGetUnreadMissedCallLog(array, 3), 1);
    EXPECT_EQ(std::memcmp(array, untouched, sizeof(array)), 0);
    EXPECT_EQ(UlogGetUnreadMissedLogCount(), UlogGetUnreadTotalMissedCount());
}

// The mask is checked before the record (which rows a bulk update renames: the distinct manager's tests).
TEST_F(ApiTest, BulkUpdateChecksItsMaskFirst)
{
    EXPECT_EQ(UlogSetAllCallLogInfo(ULOG_UPDATE_NONE, nullptr), 0);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("iUpdateType != ULOG_UPDATE_NONE"));
    EXPECT_FALSE(UlogCtlDiagnosticsContain("pUlogInfo != NULL"));
    EXPECT_EQ(UlogSetAllCallLogInfo(ULOG_UPDATE_NAME, nullptr), 0);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pUlogInfo != NULL"));
}

TEST_F(ApiTest, UpdateRewritesTheRowOfTheRecord)
{
    UlogInfo a = Add(ULOG_LOG_TERMINATED, "0101111111", 1700000000u);
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
}

TEST_F(ApiTest, VoicemailNumberRenamesItsRows)
{
    UlogInfo a = Add(ULOG_LOG_ORIGINATED, "0105550000");
    MbdnInfo entry;
    std::memset(&entry, 0, sizeof(entry));
    // An empty entry changes nothing.
    EXPECT_EQ(UlogUpdateCallLogNameByVoicemail(&entry), 0);
    entry.bSet = 1;
    std::strcpy(entry.szNumber, "0105550000");
    const char16_t name[] = u"Voicemail";
    std::memcpy(entry.mszName, name, sizeof(name));
    EXPECT_EQ(UlogUpdateCallLogNameByVoicemail(&entry), 1);
    UlogInfo back;
    ASSERT_EQ(UlogGetCallLogInfoByUniqueID(a.nUniqueId, &back), 1);
    EXPECT_STREQ(back.szName, "Voicemail");
}

TEST_F(ApiTest, SumsMaximaAndPassThroughSettings)
{
    Add(ULOG_LOG_ORIGINATED, "0101111111", 1700000000u);
    Add(ULOG_LOG_ORIGINATED, "0101111111", 1700000050u);
    Add(ULOG_LOG_ORIGINATED, "0102222222", 1700000100u);
    EXPECT_EQ(UlogGetSum(ULOG_DB_SN_COUNT), 3);

    std::vector<UlogInfo> newest = WalkAndRelease(UlogGetMaxLogInfo(ULOG_DB_START_TIME));
    ASSERT_EQ(newest.size(), 1u);
    EXPECT_STREQ(newest[0].szNumber, "0102222222");
    std::vector<UlogInfo> oldest = WalkAndRelease(UlogGetDuplMinLogInfo(ULOG_DB_START_TIME));
    ASSERT_EQ(oldest.size(), 1u);
    EXPECT_EQ(oldest[0].tmStart, 1700000000u);

    EXPECT_EQ(UlogSetFilter(3), 1);
    EXPECT_EQ(UlogSetOrder(1, 2, 3, 4), 1);
    EXPECT_EQ(UlogSetDuplFilter(0), 1);
    EXPECT_EQ(UlogSetDuplOrder(0, 0, 0, 0), 1);

    // Field numbers outside the table's columns are refused: no sum, no handle.
    for (int field : {-1, static_cast<int>(ULOG_DB_FIELD_CNT_MAX), 100000, -2147483647 - 1})
    {
        UlogCtlClearDiagnostics();
        EXPECT_EQ(UlogGetSum(field), 0);
        EXPECT_EQ(UlogGetAverage(field), 0);
        EXPECT_EQ(UlogGetDuplSum(field), 0);
        EXPECT_EQ(UlogGetDuplAverage(field), 0);
        EXPECT_EQ(UlogGetMaxLogInfo(field), 0);
        EXPECT_EQ(UlogGetMinLogInfo(field), 0);
        EXPECT_EQ(UlogGetDuplMaxLogInfo(field), 0);
        EXPECT_EQ(UlogGetDuplMinLogInfo(field), 0);
        EXPECT_EQ(UlogCtlGetAssertCount(), 8) << field;
    }
    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_ORIGINATED), 2);
}

// The duplicate-log functions: counts and positions of single events.
TEST_F(ApiTest, UncheckedEventCountsOnlyTheTypesStillUncheckedEvents)
{
    Add(Event{.type = ULOG_LOG_MISSED, .number = "0101111111", .duration = 0, .unchecked = true});
    Add(Event{.type = ULOG_LOG_MISSED,
              .number = "0101111111",
              .start = 1700000060u,
              .duration = 0,
              .unchecked = true});
    Add(Event{.type = ULOG_LOG_MISSED, .number = "0102222222", .start = 1700000120u, .duration = 0});
    Add(Event{
        .type = ULOG_LOG_MSG_RECEIVED, .number = "0103333333", .start = 1700000180u, .unchecked = true});

    int n = -1;
    EXPECT_EQ(UlogGetDuplLogUncheckedCount(ULOG_LOG_MISSED, &n), 1);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(UlogGetDuplLogUncheckedCount(ULOG_LOG_MSG_RECEIVED, &n), 1);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(UlogGetDuplLogUncheckedCount(ULOG_LOG_ORIGINATED, &n), 1);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(UlogGetDuplLogUncheckedCount(static_cast<UlogLogType>(42), &n), 1);
    EXPECT_EQ(n, 0);

    EXPECT_EQ(UlogGetDuplLogCount(ULOG_LOG_MISSED), 3);
    EXPECT_EQ(UlogGetCallLogCountEx(ULOG_LOG_MISSED), 2);
    EXPECT_EQ(UlogGetDuplLogCount(static_cast<UlogLogType>(-1)), 0);
}

TEST_F(ApiTest, EventPositionsFollowTheListOfAllEvents)
{
    Add(ULOG_LOG_ORIGINATED, "0101111111", 1700000000u);
    Add(ULOG_LOG_ORIGINATED, "0101111111", 1700000060u);
    Add(ULOG_LOG_TERMINATED, "0102222222", 1700000120u);
    std::vector<UlogInfo> events = WalkAndRelease(UlogGetDuplAllLogInfo());
    ASSERT_EQ(events.size(), 3u);
    for (size_t i = 0; i < events.size(); ++i)
        EXPECT_EQ(UlogGetDuplIndex(events[i].nUniqueId), static_cast<int>(i));
    EXPECT_EQ(UlogGetDuplIndex(-1), -1);
    // Two outgoing events (type 0) and one incoming (type 1); every call lasted 60 seconds.
    EXPECT_EQ(UlogGetDuplSum(ULOG_DB_LOG_TYPE), 1);
    EXPECT_EQ(UlogGetSum(ULOG_DB_LOG_TYPE), 1);
    EXPECT_EQ(UlogGetDuplAverage(ULOG_DB_END_TIME) - UlogGetDuplAverage(ULOG_DB_START_TIME), 60);
}
