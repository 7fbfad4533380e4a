// Record operations of a table: ids, flags, texts, updates, deletes and aggregates.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "UlogSvcDbMgr/CUlogDB.h"
#include "UlogSvcDbMgr/CUlogNativeDbMgr.h"
#include "UlogSvcDbMgr/UlogDbColumns.h"
#include "UlogSvcDbMgr/UlogDbQuery.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"
#include "control/PlatformControl.h"
#include "support/PlatformFixture.h"

#include "CUlogDbTestUtil.h"

using namespace ulogdbtest;

namespace
{
class TableRecordTest : public NativeDbTest
{
protected:
    // One column of every row of the distinct table, in unique-id order.
    static std::vector<std::string> All(const char* pszColumn)
    {
        return QueryColumn(
            (std::string("select ") + pszColumn + " from UlogDistinctDbTable order by clogdbindex").c_str());
    }

    // One column of the row of a unique id, as the engine stores it.
    std::string Column(const char* pszColumn, int nId, const char* pszTable = "UlogDistinctDbTable")
    {
        std::string query = std::string("select ") + pszColumn + " from " + pszTable +
                            " where clogdbindex = " + std::to_string(nId);
        std::vector<std::string> rows = QueryColumn(query.c_str());
        return rows.size() == 1 ? rows[0] : "<" + std::to_string(rows.size()) + " rows>";
    }

    // The row read back through the text form of row reading.
    CUlogSvcDataSet ReadByText(int nId, UlogDbTableType type = ULOG_DB_TABLE_DISTINCT)
    {
        std::unique_ptr<CUlog> log(m_mgr.GetUlogByUniqueID(nId, type));
        EXPECT_TRUE(log != nullptr) << "row " << nId;
        return log ? CUlogSvcDataSet(*log) : CUlogSvcDataSet();
    }

    // The row read back through a statement and its result slots.
    CUlogSvcDataSet ReadByStatement(int nId, UlogDbTableType type = ULOG_DB_TABLE_DISTINCT)
    {
        ListPtr<CUlog> list(m_mgr.GetUlogs(Where("clogdbindex", nId), 0, -1, type));
        std::vector<CUlogSvcDataSet> rows = Rows(list.get());
        EXPECT_EQ(1u, rows.size()) << "row " << nId;
        return rows.empty() ? CUlogSvcDataSet() : rows[0];
    }

    CUlogDistinctDB m_db;
};
} // namespace

TEST_F(TableRecordTest, UniqueIdsFollowTheLargestStoredId)
{
    EXPECT_EQ(1, m_db.GetUnusedDbIndex());
    EXPECT_EQ(1, Insert(MakeDataSet(ULOG_LOG_ORIGINATED, "111", 1)));
    EXPECT_EQ(2, Insert(MakeDataSet(ULOG_LOG_ORIGINATED, "222", 2)));
    EXPECT_EQ(1, m_db.Delete(2));
    EXPECT_EQ(2, Insert(MakeDataSet(ULOG_LOG_ORIGINATED, "333", 3)));
    EXPECT_EQ("333", Column("basicnumber", 2));

    // The two tables count their ids apart.
    EXPECT_EQ(1, Insert(MakeDataSet(ULOG_LOG_MISSED, "444", 4), ULOG_DB_TABLE_DUPL));
}

TEST_F(TableRecordTest, InsertRefusesWhenTheNextIdCannotBeRead)
{
    ASSERT_EQ(1, Insert(MakeDataSet(ULOG_LOG_ORIGINATED, "111", 1)));
    // The id query fails: nothing is written under a made-up id.
    UlogCtlFailNextSql(1);
    EXPECT_EQ(-1, Insert(MakeDataSet(ULOG_LOG_ORIGINATED, "222", 2)));
    EXPECT_EQ(std::vector<std::string>{"1"}, All("clogdbindex"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogDB::Insert: nDbIndex is ULOG_INVALID_DB_INDEX!"));
}

namespace
{
// Every field of a data set, with a value of its own for row k (0 or 1): its column, the value as the
// column holds it (and as the field reads back), how it is set and how it is read. The flags pair up 1
// and 0 so that two flag columns trading places would show.
struct FieldCase
{
    const char* column;
    std::string (*value)(int k);
    void (*set)(CUlogSvcDataSet& ds, int k);
    std::string (*get)(const CUlogSvcDataSet& row);
    bool bNarrow = true; // the column holds narrow text or a number (a 16-bit text is checked read back)
};

#define NUM(column, base, setter, getter, type)                                                              \
    {                                                                                                        \
        column, [](int k) { return std::to_string(base + k); },                                              \
            [](CUlogSvcDataSet& ds, int k) { ds.setter(static_cast<type>(base + k)); },                      \
            [](const CUlogSvcDataSet& r) { return std::to_string(static_cast<long long>(r.getter)); }        \
    }
#define CHOICE(column, first, second, setter, getter)                                                        \
    {                                                                                                        \
        column, [](int k) { return std::to_string(k == 0 ? first : second); },                               \
            [](CUlogSvcDataSet& ds, int k) { ds.setter(k == 0 ? first : second); },                          \
            [](const CUlogSvcDataSet& r) { return std::to_string(static_cast<int>(r.getter)); }              \
    }
#define FLAG(column, whenFirst, setter, getter)                                                              \
    {                                                                                                        \
        column, [](int k) { return std::string((k == 0) == whenFirst ? "1" : "0"); },                        \
            [](CUlogSvcDataSet& ds, int k) { ds.setter((k == 0) == whenFirst); },                            \
            [](const CUlogSvcDataSet& r) { return std::string(r.getter != 0 ? "1" : "0"); }                  \
    }
#define TEXT(column, prefix, setter, getter)                                                                 \
    {                                                                                                        \
        column, [](int k) { return prefix + std::to_string(k); },                                            \
            [](CUlogSvcDataSet& ds, int k) { ds.setter((prefix + std::to_string(k)).c_str()); },             \
            [](const CUlogSvcDataSet& r) { return std::string(r.getter); }                                   \
    }
#define WIDE(column, prefix, setter, getter)                                                                 \
    {                                                                                                        \
        column, [](int k) { return prefix + std::to_string(k); },                                            \
            [](CUlogSvcDataSet& ds, int k) { ds.setter(P(W((prefix + std::to_string(k)).c_str()))); },       \
            [](const CUlogSvcDataSet& r) { return N(r.getter); }, false                                      \
    }

const std::vector<FieldCase>& EveryField()
{
    using S = std::string;
    static const std::vector<FieldCase> fields = {
        {"clogdbindex", [](int) { return S("7"); }, [](CUlogSvcDataSet& ds, int) { ds.SetUniqueID(7); },
         [](const CUlogSvcDataSet& r) { return std::to_string(r.GetUniqueID()); }},
        NUM("sortindex", 101, SetSortIndex, GetSortIndex(), int),
        NUM("groupid", 102, SetGroupID, GetGroupID(), int),
        NUM("parentid", 103, SetParentID, GetParentID(), int),
        NUM("starttime", 4000000104u, SetStartTime, GetStartTime(), unsigned), // above the signed range
        NUM("endtime", 4000000105u, SetEndTime, GetEndTime(), unsigned),
        NUM("wifitime", 106u, SetWiFiTotalTime, GetWiFiTotalTime(), unsigned),
        NUM("gsmtime", 107u, SetGsmTotalTime, GetGsmTotalTime(), unsigned),
        CHOICE("logtype", ULOG_LOG_TERMINATED, ULOG_LOG_MISSED, SetLogType, GetLogType()),
        CHOICE("calltype", ULOG_CALL_VIDEO, ULOG_CALL_CSD, SetCallType, GetCallType()),
        CHOICE("linetype", ULOG_LINE_2, ULOG_LINE_1, SetLineType, GetLineType()),
        NUM("phonetype", 3, SetPhoneType, GetPhoneType(), UlogPhoneType),
        NUM("storagetype", 1, SetStorageType, GetStorageType(), UlogStorageType),
        NUM("callcost", 113, SetCallCost, GetCallCost(), int),
        NUM("ctprimaryid", 114, SetCtPid, GetCtPid(), int),
        NUM("ctdataid", 115, SetCtDataId, GetCtDataId(), int),
        NUM("ctfdnid", 116, SetCtFdnId, GetCtFdnId(), int),
        NUM("myaccountid", 117, SetMyAccountId, GetMyAccountId(), int),
        NUM("sncount", 18, SetDuplLogCount, GetDuplLogCount(), int),
        NUM("stagetype", 2, Set2StageType, Get2StageDialingInfo()->iAddressType, int),
        FLAG("isvideoshare", true, SetCnapLog, IsCnapLog()),        // the CNAP flag
        FLAG("iscnap", false, SetVideoShareLog, IsVideoShareLog()), // the video-share flag
        FLAG("isuncheckedyet", false, SetCheckStatus, IsUncheckedYet()),
        FLAG("istemplog", true, SetTemporary, IsTemporary()),
        TEXT("aliasaddress", S("alias'24-"), Set2StageAliasAddress, Get2StageDialingInfo()->aliasAddress),
        TEXT("basicnumber", S("025"), SetBasicNumber, GetBasicNumber()),
        TEXT("firstname", S("first%26-"), SetFirstName, GetFirstName()),
        TEXT("lastname", S("last27-"), SetLastName, GetLastName()),
        TEXT("callerid", S("/caller28-"), SetCallerIdPath, GetCallerIdPath()),
        NUM("msglogtype", 130, SetMsgLogType, GetMsgLogType(), int),
        NUM("msglogid", 131, SetMsgLogID, GetMsgLogID(), int),
        TEXT("emailname", S("mail'32-"), SetEmailDisplayName, GetEmailDisplayName()),
        WIDE("emailaddress", S("addr33-"), SetEmailAddress, GetEmailAddress()),
        WIDE("logname", S("name34-"), SetDisplayName, GetDisplayName()),
        WIDE("lognumber", S("035"), SetNumber, GetNumber()),
        WIDE("logsubject", S("subject36-"), SetSubject, GetSubject()),
        WIDE("logcontentbody", S("body37-"), SetBody, GetBody()),
        NUM("contentid", 138, SetContentId, GetContentId(), int),
        NUM("logsourcetype", 1, SetSourceType, GetSourceType(), UlogSourceType),
        TEXT("accountemailaddress", S("account40-"), SetAccountEmailAddress, GetAccountEmailAddress()),
        NUM("accountid", 141, SetAccountId, GetAccountId(), int),
        TEXT("syncid", S("sync42-"), SetSyncId, GetSyncId()),
        TEXT("snspersonid", S("sns43-"), SetSnsPersonId, GetSnsPersonId()),
        NUM("spinfo", 144, SetSpInfo, GetSpInfo(), int), // the plain provider value: the log is no SNS log
        NUM("ipcalldigitcount", 4, SetIPCallDigitCount, GetIPCallDigitCount(), int)};
    return fields;
}

#undef NUM
#undef CHOICE
#undef FLAG
#undef TEXT
#undef WIDE

// Runs a row's insert or update statement as the table object does; the engine's result.
int WriteRow(const UlogDbColumns::CRowValues& row, bool bInsert)
{
    const std::string sql =
        bInsert ? row.FormatInsert("UlogDistinctDbTable") : row.FormatUpdate("UlogDistinctDbTable");
    const int hStmt = Db2StmtCreate(sql.c_str());
    if (hStmt < 0)
        return -1;
    row.Bind(hStmt, bInsert);
    const int nResult = Db2StmtExecute(hStmt);
    Db2StmtDestroy(hStmt);
    Db2Commit();
    return nResult;
}
} // namespace

// Every field of the data set goes to its own column and comes back into its own field, through the text
// and the statement forms of row reading; an update rewrites every one of them.
TEST_F(TableRecordTest, EveryColumnHoldsItsOwnField)
{
    const CUlogCallLog call;
    for (int k = 0; k < 2; k++)
    {
        SCOPED_TRACE(k == 0 ? "insert" : "update");
        CUlogSvcDataSet ds;
        for (const FieldCase& f : EveryField())
            f.set(ds, k);
        ds.SetSnsSpInfo(99); // not an SNS log: the column holds the plain value
        UlogDbColumns::CRowValues row(ds, call);
        ASSERT_TRUE(row.Prepare());
        ASSERT_EQ(1, WriteRow(row, k == 0));
        for (const FieldCase& f : EveryField())
        {
            if (f.bNarrow)
            {
                EXPECT_EQ(f.value(k), Column(f.column, 7)) << f.column;
            }
        }

        ASSERT_EQ(1, Db2QueryEx("select * from UlogDistinctDbTable"));
        CUlogSvcDataSet byText;
        EXPECT_EQ(1, m_db.GetNextRecord(byText));
        Db2ClearRow();
        const int hStmt = Db2StmtCreate("select * from UlogDistinctDbTable");
        ASSERT_EQ(1, Db2StmtExecute(hStmt));
        CUlogSvcDataSet bySlots;
        EXPECT_EQ(1, m_db.GetNextRecord(hStmt, bySlots, 0));
        Db2StmtDestroy(hStmt);
        for (const CUlogSvcDataSet& read : {byText, bySlots})
        {
            for (const FieldCase& f : EveryField())
                EXPECT_EQ(f.value(k), f.get(read)) << f.column;
            EXPECT_EQ(144 + k, read.GetSnsSpInfo()); // the column is read back into both provider values
        }
    }
}

// Narrow texts at their longest and made of quotes, each quote doubled in the statement text: every
// kind's insert and update still fit the statement buffer and store the texts whole.
TEST_F(TableRecordTest, LongestQuotedTextsAreStoredWhole)
{
    const std::string quotes(800, '\'');
    for (UlogLogType iType :
         {ULOG_LOG_ORIGINATED, ULOG_LOG_MSG_SENT, ULOG_LOG_EMAIL_SENT, ULOG_LOG_SNS_1, ULOG_LOG_IM_1})
    {
        SCOPED_TRACE((int)iType);
        CUlogSvcDataSet ds = MakeDataSet(iType, "", 1000000000, 1000000000);
        for (void (CUlogSvcDataSet::*set)(const char*) :
             {&CUlogSvcDataSet::Set2StageAliasAddress, &CUlogSvcDataSet::SetBasicNumber,
              &CUlogSvcDataSet::SetFirstName, &CUlogSvcDataSet::SetLastName,
              &CUlogSvcDataSet::SetCallerIdPath, &CUlogSvcDataSet::SetEmailDisplayName,
              &CUlogSvcDataSet::SetAccountEmailAddress, &CUlogSvcDataSet::SetSyncId,
              &CUlogSvcDataSet::SetSnsPersonId})
            (ds.*set)(quotes.c_str());
        std::unique_ptr<CUlog> log = MakeLog(ds);
        ASSERT_EQ(1, m_db.Insert(*log));
        const int nId = log->GetUniqueID();
        const CUlogSvcDataSet kept(*log); // the texts of the log's kind, the others empty
        const std::vector<std::pair<const char*, std::string>> texts = {
            {"aliasaddress", kept.Get2StageDialingInfo()->aliasAddress},
            {"firstname", kept.GetFirstName()},
            {"lastname", kept.GetLastName()},
            {"callerid", kept.GetCallerIdPath()},
            {"emailname", kept.GetEmailDisplayName()},
            {"accountemailaddress", kept.GetAccountEmailAddress()},
            {"syncid", kept.GetSyncId()},
            {"snspersonid", kept.GetSnsPersonId()}};
        EXPECT_EQ(771u, texts[3].second.size());
        EXPECT_EQ(std::string(80, '\''), Column("basicnumber", nId));
        for (const auto& [column, text] : texts)
            EXPECT_EQ(text, Column(column, nId)) << column;

        log->SetSortIndex(7);
        EXPECT_EQ(1, m_db.Update(*log));
        EXPECT_EQ("7", Column("sortindex", nId));
        for (const auto& [column, text] : texts)
            EXPECT_EQ(text, Column(column, nId)) << column;
    }
}

namespace
{
// The distinct table under a name padded with blanks: every statement that names it is still valid SQL,
// only longer.
class CPaddedNameTable : public CUlogDistinctDB
{
public:
    explicit CPaddedNameTable(size_t nBlanks) : m_strName("UlogDistinctDbTable" + std::string(nBlanks, ' '))
    {
    }
    const char* GetTableName() const override { return m_strName.c_str(); }

private:
    std::string m_strName;
};
} // namespace

// An update whose text would not fit the statement buffer is refused whole. Cut short at the buffer's end
// it would lose its condition and rewrite every row; instead no statement runs, no row changes and the
// update reports its failure.
TEST_F(TableRecordTest, UpdateTooLongForTheStatementBufferRunsNothing)
{
    ASSERT_EQ(1, Insert(MakeDataSet(ULOG_LOG_MISSED, "555", 1)));
    ASSERT_EQ(2, Insert(MakeDataSet(ULOG_LOG_MISSED, "666", 2)));
    std::unique_ptr<CUlog> log = MakeLog(ReadByText(1));
    log->SetSortIndex(7);

    // Blanks enough that the text up to its condition fills the buffer exactly.
    const CUlogSvcDataSet ds(*log);
    UlogDbColumns::CRowValues row(ds, *log);
    ASSERT_TRUE(row.Prepare());
    const std::string strUpdate = row.FormatUpdate("UlogDistinctDbTable");
    const size_t nWhere = strUpdate.find(" where ");
    ASSERT_NE(std::string::npos, nWhere);
    ASSERT_LT(nWhere, (size_t)UlogDbQuery::QUERY_SIZE - 1);
    CPaddedNameTable padded(UlogDbQuery::QUERY_SIZE - 1 - nWhere);

    const int nStatements = UlogCtlGetSqlStatementCount();
    EXPECT_EQ(0, padded.Update(*log));
    EXPECT_EQ(nStatements, UlogCtlGetSqlStatementCount());
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogDB::Update: query(update UlogDistinctDbTable "));
    EXPECT_EQ((std::vector<std::string>{"1", "2"}), All("sortindex"));

    // The same update under the table's own name fits and changes its row only.
    EXPECT_EQ(1, m_db.Update(*log));
    EXPECT_EQ((std::vector<std::string>{"7", "2"}), All("sortindex"));
}

TEST_F(TableRecordTest, NonAsciiAndOverlongTexts)
{
    CUlogSvcDataSet ds = MakeDataSet(ULOG_LOG_ORIGINATED, "0123", 1);
    ds.SetFirstName("Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC");
    ds.SetDisplayName(P(W("\xC3\x91"
                          "and\xC3\xBA \xF0\x9F\x98\x80")));
    const int nId = Insert(ds);
    EXPECT_EQ("Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC", Column("firstname", nId));
    CUlogSvcDataSet row = ReadByText(nId);
    EXPECT_STREQ("Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC", row.GetFirstName());
    EXPECT_EQ("\xC3\x91"
              "and\xC3\xBA \xF0\x9F\x98\x80",
              N(row.GetDisplayName()));

    // A display name of 400 characters is kept to 309.
    const std::string longName(400, 'n');
    CUlogSvcDataSet big = MakeDataSet(ULOG_LOG_ORIGINATED, "0456", 2);
    big.SetDisplayName(P(W(longName.c_str())));
    const int nBig = Insert(big);
    ASSERT_GT(nBig, 0);
    EXPECT_EQ(std::string(309, 'n'), N(ReadByText(nBig).GetDisplayName()));
    EXPECT_EQ(std::string(309, 'n'), N(ReadByStatement(nBig).GetDisplayName()));
}

TEST_F(TableRecordTest, UpdateOfAMissingRowOrAFailedUpdateChangesNothingAndSaysSo)
{
    std::unique_ptr<CUlog> ghost = MakeLog(MakeDataSet(ULOG_LOG_ORIGINATED, "999", 1));
    ghost->SetUniqueID(77);
    EXPECT_EQ(0, m_db.Update(*ghost));
    EXPECT_TRUE(All("clogdbindex").empty());

    const int nId = Insert(MakeDataSet(ULOG_LOG_ORIGINATED, "111", 1));
    std::unique_ptr<CUlog> log = MakeLog(ReadByText(nId));
    CUlogSvcDataSet changed(*log);
    changed.SetSortIndex(50);
    changed.SetNumber(P(W("0987")));
    log = MakeLog(changed);
    UlogCtlFailNextSql(1);
    EXPECT_EQ(0, m_db.Update(*log));
    EXPECT_EQ("1", Column("sortindex", nId));
    EXPECT_EQ(1, m_db.Update(*log));
    EXPECT_EQ("50", Column("sortindex", nId));
    EXPECT_EQ("0987", Column("basicnumber", nId)); // the basic number follows the number
}

TEST_F(TableRecordTest, QuotingBufferFailureRunsNoStatement)
{
    std::unique_ptr<CUlog> log = MakeLog(MakeDataSet(ULOG_LOG_ORIGINATED, "111", 1));
    ASSERT_EQ(1, m_db.Insert(*log));
    const int nBefore = UlogCtlGetSqlStatementCount();
    UlogCtlFailNextAllocs(1);
    EXPECT_EQ(0, m_db.Update(*log));
    EXPECT_EQ(nBefore, UlogCtlGetSqlStatementCount());
    EXPECT_GE(UlogCtlGetAssertCount(), 1);
}

TEST_F(TableRecordTest, UncheckedStatus)
{
    for (int i = 0; i < 3; i++)
    {
        CUlogSvcDataSet ds = MakeDataSet(i == 2 ? ULOG_LOG_ORIGINATED : ULOG_LOG_MISSED, "1", i + 1);
        ds.SetCheckStatus(1);
        Insert(ds);
    }
    // With a filter only the matching unchecked rows change.
    EXPECT_EQ(1, m_db.UpdateUncheckedStatus(Where("logtype", ULOG_LOG_ORIGINATED), 0));
    EXPECT_EQ("0", Column("isuncheckedyet", 3));
    EXPECT_EQ("1", Column("isuncheckedyet", 1));

    CUlogSvcFilter none;
    EXPECT_EQ(1, m_db.UpdateUncheckedStatus(none, 0));
    EXPECT_EQ((std::vector<std::string>{"0", "0", "0"}), All("isuncheckedyet"));
    EXPECT_EQ(0, m_db.UpdateUncheckedStatus(none, 0));
    EXPECT_EQ(1, m_db.UpdateUncheckedStatus(none, 1));
    EXPECT_EQ("1", Column("isuncheckedyet", 2));
}

TEST_F(TableRecordTest, VoicemailRenames)
{
    CUlogSvcDataSet a = MakeDataSet(ULOG_LOG_MISSED, "0'1%", 1);
    a.SetFirstName("Ann");
    a.SetCtPid(12);
    a.SetPhoneType((UlogPhoneType)2);
    CUlogSvcDataSet b = MakeDataSet(ULOG_LOG_ORIGINATED, "0'1%", 2);
    b.SetLastName("Lee");
    b.SetCtPid(12);
    CUlogSvcDataSet other = MakeDataSet(ULOG_LOG_MISSED, "555", 3);
    other.SetFirstName("Bob");
    Insert(a);
    Insert(b);
    Insert(other);

    // By log type: only the missed row of that basic number takes the mailbox data.
    std::unique_ptr<CUlog> mailbox = MakeLog(MakeDataSet(ULOG_LOG_MISSED, "0'1%", 0));
    CUlogSvcDataSet mb(*mailbox);
    mb.SetDisplayName(P(W("Voice'mail")));
    mb.SetCallerIdPath("/img/v'm%.png");
    mb.SetCtPid(0);
    mailbox = MakeLog(mb);
    EXPECT_EQ(1, m_db.UpdateNameByVoicemailByLogType(*mailbox));
    EXPECT_EQ("", Column("firstname", 1));
    EXPECT_EQ("/img/v'm%.png", Column("callerid", 1));
    EXPECT_EQ("0", Column("ctprimaryid", 1));
    EXPECT_EQ("Voice'mail", N(ReadByText(1).GetDisplayName()));
    EXPECT_EQ("Lee", Column("lastname", 2));
    EXPECT_EQ("12", Column("ctprimaryid", 2));

    // Over every type: contact data cleared on both rows of the number.
    EXPECT_EQ(1, m_db.UpdateNameByVoicemail(*mailbox));
    EXPECT_EQ("", Column("lastname", 2));
    EXPECT_EQ("-1", Column("phonetype", 2));
    EXPECT_EQ("", Column("callerid", 1));
    EXPECT_EQ("Voice'mail", N(ReadByText(2).GetDisplayName()));
    EXPECT_EQ("Bob", Column("firstname", 3));

    std::unique_ptr<CUlog> unknown = MakeLog(MakeDataSet(ULOG_LOG_MISSED, "777", 0));
    EXPECT_EQ(0, m_db.UpdateNameByVoicemail(*unknown));
    EXPECT_EQ(0, m_db.UpdateNameByVoicemailByLogType(*unknown));
}

TEST_F(TableRecordTest, Deletes)
{
    EXPECT_EQ(1, m_db.DeleteAll()); // empty table
    EXPECT_EQ(0, m_db.Delete(5));
    EXPECT_EQ(0, m_db.DeleteAll((int)ULOG_LOG_MISSED));

    Insert(MakeDataSet(ULOG_LOG_MISSED, "1", 1));
    Insert(MakeDataSet(ULOG_LOG_ORIGINATED, "2", 2));
    Insert(MakeDataSet(ULOG_LOG_MISSED, "3", 3));
    EXPECT_EQ(1, m_db.DeleteAll((int)ULOG_LOG_MISSED));
    EXPECT_EQ(std::vector<std::string>{"2"}, All("clogdbindex"));

    UlogCtlFailNextSql(1);
    EXPECT_EQ(0, m_db.Delete(2));
    EXPECT_EQ(1, m_db.Delete(2));
    Insert(MakeDataSet(ULOG_LOG_MISSED, "4", 4));
    EXPECT_EQ(1, m_db.DeleteAll());
    EXPECT_TRUE(All("clogdbindex").empty());
}

TEST_F(TableRecordTest, AggregatesOnEmptyAndFilledTables)
{
    CUlogSvcFilter none;
    EXPECT_EQ(0, m_db.GetCount(none));
    EXPECT_EQ(0, m_db.GetMaxGroupID());
    EXPECT_EQ(0, m_db.GetMaxSortIndex());
    EXPECT_EQ(0, m_db.GetMinSortIndex());
    EXPECT_EQ(0, m_db.GetMaxSortIndex((int)ULOG_LOG_MISSED));
    EXPECT_EQ(0.0, m_db.GetSum(ULOG_DB_CALL_COST));
    EXPECT_EQ(0.0, m_db.GetAverage(ULOG_DB_CALL_COST));

    Insert(MakeDataSet(ULOG_LOG_MISSED, "1", 5, 3, 10));
    Insert(MakeDataSet(ULOG_LOG_ORIGINATED, "2", 9, 8, 20));
    Insert(MakeDataSet(ULOG_LOG_MISSED, "3", 7, 4, 46));

    EXPECT_EQ(3, m_db.GetCount(none));
    const CUlogSvcFilter missed = Where("logtype", ULOG_LOG_MISSED);
    EXPECT_EQ(2, m_db.GetCount(missed));
    EXPECT_EQ(8, m_db.GetMaxGroupID());
    EXPECT_EQ(9, m_db.GetMaxSortIndex());
    EXPECT_EQ(5, m_db.GetMinSortIndex());
    EXPECT_EQ(7, m_db.GetMaxSortIndex((int)ULOG_LOG_MISSED));
    EXPECT_EQ(5, m_db.GetMinSortIndex((int)ULOG_LOG_MISSED));
    EXPECT_EQ(7, m_db.GetMaxSortIndex(missed));
    EXPECT_EQ(5, m_db.GetMinSortIndex(missed));
    EXPECT_DOUBLE_EQ(76.0, m_db.GetSum(ULOG_DB_CALL_COST));
    EXPECT_NEAR(76.0 / 3, m_db.GetAverage(ULOG_DB_CALL_COST), 1e-9); // the engine's text of a fraction
    int nValue = -5;
    EXPECT_EQ(1, m_db.GetMax(ULOG_DB_CALL_COST, &nValue));
    EXPECT_EQ(46, nValue);
    EXPECT_EQ(1, m_db.GetMin(ULOG_DB_SORT_INDEX, &nValue));
    EXPECT_EQ(5, nValue);
    EXPECT_EQ(4, m_db.GetUnusedDbIndex());

    // Failures: the count gives -1, the maximum leaves its output alone.
    UlogCtlFailNextSql(1);
    EXPECT_EQ(-1, m_db.GetCount(none));
    nValue = 123;
    UlogCtlFailNextSql(1);
    EXPECT_EQ(0, m_db.GetMax(ULOG_DB_CALL_COST, &nValue));
    EXPECT_EQ(123, nValue);
    EXPECT_EQ(0, m_db.GetMax(ULOG_DB_CALL_COST, nullptr));
}

TEST_F(TableRecordTest, RowReadingWithoutAResult)
{
    CUlogSvcDataSet ds;
    EXPECT_EQ(0, m_db.GetNextRecord(ds));
    EXPECT_EQ(0, m_db.GetNextRecord(INVALID_HOBJ, ds, 0));
    EXPECT_GE(UlogCtlGetAssertCount(), 1);
}

TEST_F(TableRecordTest, ConditionsWithBoundArguments)
{
    Insert(MakeDataSet(ULOG_LOG_MISSED, "0101", 4));
    Insert(MakeDataSet(ULOG_LOG_MISSED, "0202", 6));
    Insert(MakeDataSet(ULOG_LOG_ORIGINATED, "0101", 9));
    const CUlogSvcFilter byNumber = ByNumber("0101");

    EXPECT_EQ(2, m_db.GetCount(byNumber));
    EXPECT_EQ(9, m_db.GetMaxSortIndex(byNumber));
    EXPECT_EQ(4, m_db.GetMinSortIndex(byNumber));
    EXPECT_EQ(1, m_mgr.GetGroupCount(byNumber, ULOG_DB_TABLE_DISTINCT)); // both rows are of group 1
    EXPECT_EQ(2, m_mgr.GetCountDistinct(ULOG_DB_LOG_TYPE, byNumber, ULOG_DB_TABLE_DISTINCT));

    ASSERT_GE(Db2QueryEx("update UlogDistinctDbTable set isuncheckedyet = 1"), 0);
    EXPECT_EQ(1, m_db.UpdateUncheckedStatus(byNumber, 0));
    EXPECT_EQ((std::vector<std::string>{"0", "1", "0"}), All("isuncheckedyet"));
    EXPECT_EQ(0, m_db.UpdateUncheckedStatus(byNumber, 0));

    // An argument that matches nothing.
    EXPECT_EQ(0, m_db.GetCount(ByNumber("9999")));
    EXPECT_EQ(0, m_db.GetMaxSortIndex(ByNumber("9999")));
}

TEST_F(TableRecordTest, QuotedConditionsFindTheirRows)
{
    CUlogSvcDataSet ds = MakeDataSet(ULOG_LOG_MISSED, "0'1%", 4);
    Insert(ds);
    Insert(MakeDataSet(ULOG_LOG_MISSED, "0'1", 5));
    CUlogSvcFilter byBasic;
    ASSERT_EQ(1, byBasic.SetFilter("basicnumber", std::string("0'1%")));
    EXPECT_EQ(1, m_db.GetCount(byBasic));
    EXPECT_EQ(4, m_db.GetMaxSortIndex(byBasic));
    ListPtr<CUlog> list(m_mgr.GetUlogs(byBasic, 0, -1, ULOG_DB_TABLE_DISTINCT));
    std::vector<CUlogSvcDataSet> rows = Rows(list.get());
    ASSERT_EQ(1u, rows.size());
    EXPECT_STREQ("0'1%", rows[0].GetBasicNumber());
}

TEST_F(TableRecordTest, DeletesWaitForTheServiceLock)
{
    ASSERT_TRUE(CUlogSvcMutex::Create("UlogSvc"));
    Insert(MakeDataSet(ULOG_LOG_MISSED, "1", 1));

    std::atomic<int> stage{0};
    std::thread holder(
        [&]
        {
            CUlogSvcMutex mutex;
            CUlogSvcLock lock(mutex);
            stage = 1;
            while (stage != 2)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            // The delete must not have run while the lock is held.
            EXPECT_EQ(std::vector<std::string>{"1"}, All("clogdbindex"));
        });
    while (stage != 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::atomic<bool> done{false};
    std::thread deleter(
        [&]
        {
            EXPECT_EQ(1, m_db.Delete(1));
            done = true;
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done);
    stage = 2;
    holder.join();
    deleter.join();
    EXPECT_TRUE(done);
    EXPECT_TRUE(All("clogdbindex").empty());
    CUlogSvcMutex::Delete();
}
