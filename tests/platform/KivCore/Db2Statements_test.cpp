// The log service's own statements, run unchanged on the engine: both 46-column tables and their
// indexes, inserts and updates with 16-bit text in "?" slots, deletes, truncation, aggregates, the
// derived-table forms, limits and n'' literals. The create, insert and update statements come from the
// service's own column table (narrow texts quoted with quotes and '%' doubled, 16-bit texts bound); the
// other texts are composed the way the service composes them (bounded formatting into a 5120-byte
// buffer) and handed to the engine as ready texts.
#include "KivCore/KivCore.h"
#include "UlogSvcDbMgr/CUlogDB.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcDbMgr/UlogDbColumns.h"
#include "UlogSvcDbMgr/UlogDbQuery.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
const char* const kDistinct = "UlogDistinctDbTable";
const char* const kDupl = "UlogDuplDbTable";

// One log row as the service writes it.
struct Log
{
    int id = 0;
    int sortIndex = 0;
    int groupId = 0;
    int parentId = 0;
    unsigned startTime = 0;
    unsigned endTime = 0;
    int logType = 0;
    int phoneType = 0;
    int storageType = 0;
    int ctPid = -1;
    int ctDataId = 0;
    int dupCount = 1;
    int cnap = 0;       // stored in isvideoshare
    int videoShare = 0; // stored in iscnap
    int unchecked = 0;
    int temp = 0;
    int msgLogType = 0;
    int spInfo = 0;
    std::string alias, basicNumber, firstName, lastName, callerId, emailName, accountEmail, syncId,
        snsPersonId;
    std::u16string emailAddress, displayName, number, subject, body;
};

const WCHAR* W(const std::u16string& s)
{
    return reinterpret_cast<const WCHAR*>(s.c_str());
}

// The data set the service would write for the row: every field that the row names, the rest 0.
CUlogSvcDataSet ToDataSet(const Log& l)
{
    CUlogSvcDataSet ds;
    ds.SetUniqueID(l.id);
    ds.SetSortIndex(l.sortIndex);
    ds.SetGroupID(l.groupId);
    ds.SetParentID(l.parentId);
    ds.SetStartTime(l.startTime);
    ds.SetEndTime(l.endTime);
    ds.SetWiFiTotalTime(0);
    ds.SetGsmTotalTime(0);
    ds.SetLogType(static_cast<UlogLogType>(l.logType));
    ds.SetCallType(static_cast<UlogCallType>(0));
    ds.SetLineType(static_cast<UlogLineType>(0));
    ds.SetPhoneType(static_cast<UlogPhoneType>(l.phoneType));
    ds.SetStorageType(static_cast<UlogStorageType>(l.storageType));
    ds.SetCallCost(0);
    ds.SetCtPid(l.ctPid);
    ds.SetCtDataId(l.ctDataId);
    ds.SetCtFdnId(0);
    ds.SetMyAccountId(0);
    ds.SetDuplLogCount(l.dupCount);
    ds.Set2StageType(0);
    ds.SetCnapLog(l.cnap);
    ds.SetVideoShareLog(l.videoShare);
    ds.SetCheckStatus(l.unchecked);
    ds.SetTemporary(l.temp);
    ds.Set2StageAliasAddress(l.alias.c_str());
    ds.SetBasicNumber(l.basicNumber.c_str());
    ds.SetFirstName(l.firstName.c_str());
    ds.SetLastName(l.lastName.c_str());
    ds.SetCallerIdPath(l.callerId.c_str());
    ds.SetMsgLogType(l.msgLogType);
    ds.SetMsgLogID(0);
    ds.SetEmailDisplayName(l.emailName.c_str());
    ds.SetEmailAddress(W(l.emailAddress));
    ds.SetDisplayName(W(l.displayName));
    ds.SetNumber(W(l.number));
    ds.SetSubject(W(l.subject));
    ds.SetBody(W(l.body));
    ds.SetContentId(0);
    ds.SetSourceType(static_cast<UlogSourceType>(0));
    ds.SetAccountEmailAddress(l.accountEmail.c_str());
    ds.SetAccountId(0);
    ds.SetSyncId(l.syncId.c_str());
    ds.SetSnsPersonId(l.snsPersonId.c_str());
    ds.SetSpInfo(l.spInfo);
    ds.SetSnsSpInfo(l.spInfo);
    ds.SetIPCallDigitCount(0);
    return ds;
}

// The create statement of a table object, as it runs it.
template <class TTable> std::string CreateStatement()
{
    char szQuery[UlogDbQuery::QUERY_SIZE] = {};
    TTable table;
    table.FormatCreateStatement(szQuery, sizeof szQuery);
    return szQuery;
}

class Args
{
public:
    Args& operator<<(int v)
    {
        m_args.push_back(kiv::MakeArg(v));
        return *this;
    }
    Args& operator<<(unsigned v)
    {
        m_args.push_back(kiv::MakeArg(v));
        return *this;
    }
    Args& operator<<(const char* v)
    {
        m_args.push_back(kiv::MakeArg(v));
        return *this;
    }
    Args& operator<<(const std::string& v)
    {
        m_keep.push_back(v);
        m_args.push_back(KivArg{});
        m_index.push_back(m_args.size() - 1);
        return *this;
    }
    // The statement text, composed as the service composes it.
    std::string Format(const char* format)
    {
        for (size_t i = 0; i < m_index.size(); ++i)
            m_args[m_index[i]] = kiv::MakeArg(m_keep[i].c_str());
        char buffer[5120] = {};
        AcSprintfSExV(buffer, sizeof buffer, __FILE__, __LINE__, format, m_args.data(),
                      static_cast<int>(m_args.size()));
        return buffer;
    }

private:
    std::vector<KivArg> m_args;
    std::vector<std::string> m_keep;
    std::vector<size_t> m_index;
};

void CopyWide(Db2BindField& f, const std::u16string& text, size_t maxChars)
{
    ASSERT_EQ(f.nType, DB2_FIELD_WTEXT);
    size_t n = std::min(text.size(), maxChars);
    ASSERT_LT(n, f.nSize);
    std::memcpy(f.pData, text.data(), n * 2);
    static_cast<WCHAR*>(f.pData)[n] = 0;
    f.nIndicator = 0;
}

std::u16string WideAt(const void* p)
{
    return p == nullptr ? std::u16string(u"<null>") : std::u16string(static_cast<const char16_t*>(p));
}

std::string Col(int i)
{
    const char* p = Db2GetColumn(i);
    return p == nullptr ? std::string("<null>") : std::string(p);
}

class Db2ServiceStatements : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        ASSERT_EQ(Db2QueryEx(CreateStatement<CUlogDistinctDB>().c_str()), 0);
        ASSERT_EQ(Db2QueryEx(CreateStatement<CUlogDuplDB>().c_str()), 0);
        ASSERT_EQ(
            Index("create index %s on %s (%s %s)", {"DistinctIndexSortIdx", kDistinct, "sortindex", "desc"}),
            0);
        ASSERT_EQ(Index("create index %s on %s (%s %s, %s %s)", {"DistinctMulIdxLogType_SortIndex", kDistinct,
                                                                 "logtype", "asc", "sortindex", "desc"}),
                  0);
        ASSERT_EQ(Index("create index %s on %s (%s %s, %s %s, %s %s)",
                        {"DistinctMulIdxGroupId_LogType_SortIndex", kDistinct, "groupid", "desc", "logtype",
                         "desc", "sortindex", "asc"}),
                  0);
    }

    int Index(const char* format, std::initializer_list<const char*> parts)
    {
        Args a;
        for (const char* p : parts)
            a << p;
        return Db2QueryEx(a.Format(format).c_str());
    }

    int Insert(const char* table, const Log& l) { return Write(table, l, true); }
    int Update(const char* table, const Log& l) { return Write(table, l, false); }

    // Writes the row with the service's own insert or update statement: its 16-bit texts go to 16-bit
    // slots of their columns' sizes, six for an insert (dummystring first), five for an update.
    int Write(const char* table, const Log& l, bool bInsert)
    {
        const CUlogSvcDataSet ds = ToDataSet(l);
        CUlogSvcGenerator generator;
        const std::unique_ptr<CUlog> log(generator.Generate(ds));
        EXPECT_NE(log, nullptr);
        if (log == nullptr)
            return -1;
        UlogDbColumns::CRowValues row(ds, *log);
        EXPECT_TRUE(row.Prepare());
        const std::string sql = bInsert ? row.FormatInsert(table) : row.FormatUpdate(table);
        EXPECT_LT(sql.size(), static_cast<size_t>(UlogDbQuery::QUERY_SIZE)) << sql;
        const int h = Db2StmtCreate(sql.c_str());
        if (h < 0)
            return -1;
        Db2BindField* p = Db2StmtGetBindParamFields(h);
        const int nParams = Db2StmtGetBindParamCount(h);
        EXPECT_EQ(nParams, bInsert ? 6 : 5);
        if (p == nullptr)
            return -1;
        int i = 0;
        for (const UlogDbColumns::Column& column : UlogDbColumns::s_aColumns)
        {
            if (column.iKind != UlogDbColumns::COLUMN_WTEXT || (!bInsert && !column.HasField()) ||
                i >= nParams)
                continue;
            EXPECT_EQ(p[i].nType, DB2_FIELD_WTEXT) << column.pszName;
            EXPECT_EQ(p[i].nSize, static_cast<unsigned>(column.nSize) + 1) << column.pszName;
            ++i;
        }
        row.Bind(h, bInsert);
        const int n = Db2StmtExecute(h);
        Db2StmtDestroy(h);
        if (n < 0)
            Db2Rollback();
        else
            Db2Commit();
        return n;
    }

    // Runs a query and returns column `col` of every row as narrow text.
    std::vector<std::string> Rows(const std::string& sql, int col, int expectedRows)
    {
        std::vector<std::string> out;
        EXPECT_EQ(Db2QueryEx(sql.c_str()), expectedRows) << sql;
        while (Db2GetNextRow() == 0)
            out.push_back(Col(col));
        Db2ClearRow();
        return out;
    }

    Log Make(int id, int sortIndex, int groupId, int logType, const char* basic, std::u16string number)
    {
        Log l;
        l.id = id;
        l.sortIndex = sortIndex;
        l.groupId = groupId;
        l.logType = logType;
        l.basicNumber = basic;
        l.number = std::move(number);
        l.displayName = u"name" + std::u16string(1, static_cast<char16_t>('0' + id % 10));
        return l;
    }

    void Seed(const char* table, const std::vector<Log>& logs)
    {
        for (const auto& l : logs)
            ASSERT_EQ(Insert(table, l), 1);
    }
};

TEST_F(Db2ServiceStatements, TablesHaveAllColumnsAndIndexForms)
{
    EXPECT_TRUE(Db2CheckTable(kDistinct));
    EXPECT_TRUE(Db2CheckTable(kDupl));
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from pragma_table_info('UlogDistinctDbTable')"), 46);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from pragma_table_info('UlogDuplDbTable')"), 46);
    EXPECT_EQ(Db2QueryRecordCount("select count(*) from sqlite_master where type = 'index' and tbl_name = "
                                  "'UlogDistinctDbTable' and name like 'Distinct%%'"),
              3);
    // Creating an existing table or index fails with -1.
    EXPECT_EQ(Db2QueryEx(CreateStatement<CUlogDistinctDB>().c_str()), -1);
    EXPECT_EQ(
        Index("create index %s on %s (%s %s)", {"DistinctIndexSortIdx", kDistinct, "sortindex", "desc"}), -1);
    // An index on a missing column fails too, and leaves the earlier ones.
    EXPECT_EQ(Index("create index %s on %s (%s %s)", {"DuplIndexSortIdx", kDupl, "nosuchcolumn", "desc"}),
              -1);
}

TEST_F(Db2ServiceStatements, InsertedRowReadsBackIntactByTextAndBySlots)
{
    Log l = Make(1, 10, 3, 2, "0123456", u"+82 10-1234");
    l.parentId = -1;
    l.startTime = 4000000000u; // above 2^31: written with %lu
    l.endTime = 4000000123u;
    l.cnap = 1;
    l.firstName = "O'Brien 50% \xc3\xa9\xe6\x9d\xb1";
    l.lastName = "%d%s'%%";
    l.callerId = "/User/Pictures/it's 100%.jpg";
    l.emailName = "''";
    l.accountEmail = "a%b@example.com";
    l.syncId = "sync'1";
    l.snsPersonId = "p%1";
    l.emailAddress = u"j\u00f6rg@example.com";
    l.displayName = u"\ud55c\uad6d '\U0001F600' 100%";
    l.subject = u"%s %d";
    l.body = u"b\u00f6dy's";
    ASSERT_EQ(Insert(kDistinct, l), 1);

    ASSERT_EQ(Db2QueryEx("select * from %s where %s = %d", kDistinct, "clogdbindex", 1), 1);
    ASSERT_EQ(Db2GetNextRow(), 0);
    EXPECT_EQ(Col(0), "1");
    EXPECT_EQ(Col(3), "-1");
    EXPECT_EQ(Col(4), "4000000000");
    EXPECT_EQ(Col(20), "1"); // isvideoshare holds the CNAP flag
    EXPECT_EQ(Col(21), "0");
    EXPECT_EQ(Col(25), "0123456"); // text affinity keeps the leading zero
    EXPECT_EQ(Col(26), l.firstName);
    EXPECT_EQ(Col(27), l.lastName);
    EXPECT_EQ(Col(28), l.callerId);
    EXPECT_EQ(WideAt(Db2GetColumn(29)), u"");
    EXPECT_EQ(Col(32), l.emailName);
    EXPECT_EQ(WideAt(Db2GetColumn(33)), l.emailAddress);
    EXPECT_EQ(WideAt(Db2GetColumn(34)), l.displayName);
    EXPECT_EQ(WideAt(Db2GetColumn(35)), l.number);
    EXPECT_EQ(WideAt(Db2GetColumn(36)), l.subject);
    EXPECT_EQ(WideAt(Db2GetColumn(37)), l.body);
    EXPECT_EQ(Col(40), l.accountEmail);
    EXPECT_EQ(Col(42), l.syncId);
    EXPECT_EQ(Col(43), l.snsPersonId);
    EXPECT_EQ(Db2GetColumn(46), nullptr);
    Db2ClearRow();

    // The same row through result slots.
    const int h = Db2StmtCreate("select * from %s where %s = %d", kDistinct, "clogdbindex", 1);
    ASSERT_GT(h, 0);
    ASSERT_EQ(Db2StmtExecute(h), 1);
    ASSERT_EQ(Db2StmtGetNextRow(h), 0);
    ASSERT_EQ(Db2StmtGetBindResCount(h), 46);
    Db2BindField* r = Db2StmtGetBindResFields(h);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r[4].nType, DB2_FIELD_INT);
    EXPECT_EQ(*static_cast<long long*>(r[4].pData), 4000000000LL);
    EXPECT_EQ(r[26].nType, DB2_FIELD_TEXT);
    EXPECT_EQ(r[26].nSize, 311u);
    EXPECT_STREQ(static_cast<char*>(r[26].pData), l.firstName.c_str());
    EXPECT_STREQ(static_cast<char*>(r[28].pData), l.callerId.c_str());
    EXPECT_EQ(r[34].nType, DB2_FIELD_WTEXT);
    EXPECT_EQ(r[34].nSize, 311u);
    EXPECT_EQ(WideAt(r[34].pData), l.displayName);
    EXPECT_EQ(WideAt(r[35].pData), l.number);
    EXPECT_EQ(r[29].nIndicator, 0);
    EXPECT_EQ(WideAt(r[29].pData), u"");
    Db2StmtDestroy(h);
}

TEST_F(Db2ServiceStatements, UpdateRewritesEveryColumnAndCutsLongNames)
{
    Log l = Make(1, 1, 1, 0, "111", u"111");
    ASSERT_EQ(Insert(kDistinct, l), 1);
    l.sortIndex = 5;
    l.firstName = "Ann's";
    l.displayName = std::u16string(400, u'\u00e4'); // longer than the column: cut to 309
    l.number = u"222";
    l.basicNumber = "222";
    l.videoShare = 1;
    EXPECT_EQ(Update(kDistinct, l), 1);
    ASSERT_EQ(Db2QueryEx("select * from %s", kDistinct), 1);
    ASSERT_EQ(Db2GetNextRow(), 0);
    EXPECT_EQ(Col(1), "5");
    EXPECT_EQ(Col(21), "1"); // iscnap holds the video-share flag
    EXPECT_EQ(Col(25), "222");
    EXPECT_EQ(Col(26), "Ann's");
    EXPECT_EQ(WideAt(Db2GetColumn(34)), std::u16string(309, u'\u00e4'));
    EXPECT_EQ(WideAt(Db2GetColumn(35)), u"222");
    Db2ClearRow();
    // No row with that id: nothing changed, 0 (not a failure).
    l.id = 77;
    EXPECT_EQ(Update(kDistinct, l), 0);
}

TEST_F(Db2ServiceStatements, DeletesAndTruncate)
{
    Seed(kDistinct, {Make(1, 1, 1, 0, "1", u"1"), Make(2, 2, 2, 1, "2", u"2"), Make(3, 3, 3, 1, "3", u"3")});
    EXPECT_EQ(Db2QueryEx("delete from %s where %s = %d", kDistinct, "clogdbindex", 2), 1);
    EXPECT_EQ(Db2QueryEx("delete from %s where %s = %d", kDistinct, "clogdbindex", 2), 0);
    // The next unique id reuses the highest free one.
    EXPECT_EQ(Rows(Args().Format("select max(clogdbindex) from UlogDistinctDbTable"), 0, 1),
              std::vector<std::string>{"3"});
    EXPECT_EQ(Db2QueryEx("delete from %s where %s = %d", kDistinct, "logtype", 1), 1);
    EXPECT_EQ(Db2QueryEx("truncate table %s", kDistinct), 1);
    EXPECT_EQ(Db2QueryRecordCount("select count(clogdbindex) from UlogDistinctDbTable"), 0);
    // Truncating an empty table is not a failure.
    EXPECT_EQ(Db2QueryEx("truncate table %s", kDistinct), 0);
    EXPECT_EQ(Db2QueryEx("truncate table %s", "NoSuchTable"), -1);
}

TEST_F(Db2ServiceStatements, AggregatesOnEmptyAndFilledTables)
{
    // Empty table: count 0, max/sum give one row with a NULL value.
    EXPECT_EQ(Db2QueryRecordCount("select count(clogdbindex) from UlogDistinctDbTable"), 0);
    ASSERT_EQ(Db2QueryEx("select max(%s) from %s", "sortindex", kDistinct), 1);
    ASSERT_EQ(Db2GetNextRow(), 0);
    EXPECT_EQ(Db2GetColumn(0), nullptr);
    Db2ClearRow();

    Log a = Make(1, 4, 1, 0, "1", u"1");
    a.startTime = 100;
    Log b = Make(2, 9, 1, 0, "1", u"1");
    b.startTime = 301;
    Log c = Make(3, 7, 2, 3, "2", u"2");
    c.startTime = 200;
    Seed(kDistinct, {a, b, c});
    EXPECT_EQ(Db2QueryRecordCount("select count(clogdbindex) from UlogDistinctDbTable where logtype = 0"), 2);
    EXPECT_EQ(Rows(Args().Format("select sum(starttime) from UlogDistinctDbTable"), 0, 1),
              std::vector<std::string>{"601"});
    EXPECT_EQ(Rows(Args().Format("select avg(starttime) from UlogDistinctDbTable"), 0, 1),
              std::vector<std::string>{"200.333333333333"});
    EXPECT_EQ(Rows(Args().Format("select max(sortindex) from UlogDistinctDbTable where logtype = 3"), 0, 1),
              std::vector<std::string>{"7"});
    EXPECT_EQ(Rows(Args().Format("select min(sortindex) from UlogDistinctDbTable"), 0, 1),
              std::vector<std::string>{"4"});
    EXPECT_EQ(Rows(Args().Format("select max(groupid) from UlogDistinctDbTable"), 0, 1),
              std::vector<std::string>{"2"});
}

TEST_F(Db2ServiceStatements, WritesByConditionAndLiterals)
{
    Log a = Make(1, 1, 1, 0, "555", u"555");
    a.unchecked = 1;
    a.ctPid = 4;
    a.firstName = "Ann";
    Log b = Make(2, 2, 1, 2, "555", u"555");
    b.unchecked = 1;
    b.emailAddress = u"x@y";
    Log c = Make(3, 3, 2, 2, "666", u"666");
    Seed(kDistinct, {a, b, c});
    Log d = Make(1, 1, 1, 0, "555", u"555");
    d.parentId = 2;
    Seed(kDupl, {d});

    // Unchecked status: empty filter, then with a filter appended.
    EXPECT_EQ(Db2QueryEx("update %s set %s = %d where %s = %d and %s", kDistinct, "isuncheckedyet", 0,
                         "isuncheckedyet", 1, "logtype = 2"),
              1);
    EXPECT_EQ(Db2QueryEx("update %s set %s = %d where %s = %d", kDistinct, "isuncheckedyet", 0,
                         "isuncheckedyet", 1),
              1);
    EXPECT_EQ(Db2QueryEx("update %s set %s = %d where %s = %d", kDistinct, "isuncheckedyet", 0,
                         "isuncheckedyet", 1),
              0);

    // Voicemail name: '' literals and one bound 16-bit name.
    Args v;
    v << kDistinct << "phonetype" << -1 << "ctprimaryid" << 0 << "storagetype" << 0 << "firstname"
      << "lastname"
      << "logname"
      << "callerid"
      << "basicnumber"
      << "555";
    int h =
        Db2StmtCreate(v.Format("update %s set %s = %d, %s = %d, %s = %d, %s = '', %s = '', %s = ?, %s = '' "
                               "where %s = '%s'")
                          .c_str());
    ASSERT_GT(h, 0);
    Db2BindField* p = Db2StmtGetBindParamFields(h);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0].nSize, 311u);
    CopyWide(p[0], u"Voicemail", 309);
    EXPECT_EQ(Db2StmtExecute(h), 2);
    Db2StmtDestroy(h);
    ASSERT_EQ(Db2QueryEx("select %s, %s, %s from %s where %s = %d", "firstname", "logname", "ctprimaryid",
                         kDistinct, "clogdbindex", 1),
              1);
    ASSERT_EQ(Db2GetNextRow(), 0);
    EXPECT_EQ(Col(0), "");
    EXPECT_EQ(WideAt(Db2GetColumn(1)), u"Voicemail");
    EXPECT_EQ(Col(2), "0");
    Db2ClearRow();

    // Group id move, and the duplicate rows of one distinct row.
    EXPECT_EQ(Db2QueryEx("update %s set %s = %d where %s = %d", kDistinct, "groupid", 9, "groupid", 1), 2);
    EXPECT_EQ(Db2QueryEx("update %s set %s = %d, %s = %d, %s = %d, %s = %d where %s = %d", kDupl,
                         "ctprimaryid", 5, "ctdataid", 6, "ctfdnid", 0, "myaccountid", 0, "parentid", 2),
              1);

    // A filter with an n'' literal and a 16-bit argument, as the contact sync builds it.
    h = Db2StmtCreate("select * from %s where %s = '%s' and emailaddress = n'' and logname = ?", kDistinct,
                      "basicnumber", "555");
    ASSERT_GT(h, 0);
    p = Db2StmtGetBindParamFields(h);
    ASSERT_NE(p, nullptr);
    CopyWide(p[0], u"Voicemail", 309);
    EXPECT_EQ(Db2StmtExecute(h), 1); // row 2 has an e-mail address
    ASSERT_EQ(Db2StmtGetNextRow(h), 0);
    EXPECT_EQ(*static_cast<long long*>(Db2StmtGetBindResFields(h)[0].pData), 1);
    Db2StmtDestroy(h);
    EXPECT_EQ(
        Db2QueryRecordCount(" select count(*) from UlogDistinctDbTable where  logtype between 0 and 2 and "
                            "emailaddress = N''"),
        2);
}

class Db2GroupedQueries : public Db2ServiceStatements
{
protected:
    void SetUp() override
    {
        Db2ServiceStatements::SetUp();
        // Group 7: sort indexes 3 and 9; group 8: 5; group 9: 1 (no number); group 10: 6 (log type 7).
        std::vector<Log> logs = {Make(1, 3, 7, 0, "77", u"77"), Make(2, 9, 7, 1, "77", u"77"),
                                 Make(3, 5, 8, 2, "88", u"88"), Make(4, 1, 9, 0, "", u""),
                                 Make(5, 6, 10, 7, "10", u"10")};
        logs[0].startTime = 86400 * 3 + 50; // day 3
        logs[1].startTime = 86400 * 4 + 10; // day 4
        logs[2].startTime = 86400 * 3 + 900;
        logs[3].startTime = 86400 * 4 + 7;
        logs[4].startTime = 86400 * 4 + 86399;
        Seed(kDistinct, logs);
    }

    static const char* Sort() { return "sortindex"; }
    static const char* Group() { return "groupid"; }
};

TEST_F(Db2GroupedQueries, NewestRowOfEachGroupInAllFourForms)
{
    const char* T = kDistinct;
    Args a;
    a << Sort() << Group() << T << Group() << T << T << Sort() << T << Group() << Sort();
    const auto all =
        Rows(a.Format("select * from (select max(%s), %s from %s group by %s ) As A(f1,f2), %s where "
                      "A.f1 = %s.%s and A.f2 = %s.%s order by %s desc"),
             2 + 1, 4);
    EXPECT_EQ(all, (std::vector<std::string>{"9", "6", "5", "1"})); // sortindex at column 2 + 1

    Args b;
    b << Sort() << Group() << T << Group() << T << T << Sort() << T << Group() << Sort() << 1 << 2;
    EXPECT_EQ(
        Rows(b.Format("select * from (select max(%s), %s from %s group by %s ) As A(f1,f2), %s where A.f1 = "
                      "%s.%s and A.f2 = %s.%s order by %s desc  limit %d, %d"),
             2 + 2, 2),
        (std::vector<std::string>{"10", "8"})); // groupid of the 2nd and 3rd newest groups

    // With a filter inside A, run as a statement with its 16-bit argument; rows read from column 2.
    Args c;
    c << Sort() << Group() << T << "lognumber = ?" << Group() << T << T << Sort() << T << Group() << Sort();
    int h = Db2StmtCreate(
        c.Format("select * from (select max(%s), %s from %s where %s group by %s ) As A(f1,f2), %s "
                 "where A.f1 = %s.%s and A.f2 = %s.%s order by %s desc")
            .c_str());
    ASSERT_GT(h, 0);
    Db2BindField* p = Db2StmtGetBindParamFields(h);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0].nSize, 82u); // lognumber nvarchar(81)
    CopyWide(p[0], u"77", 80);
    ASSERT_EQ(Db2StmtExecute(h), 1);
    ASSERT_EQ(Db2StmtGetNextRow(h), 0);
    Db2BindField* r = Db2StmtGetBindResFields(h);
    ASSERT_EQ(Db2StmtGetBindResCount(h), 48);
    EXPECT_STREQ(static_cast<char*>(r[0].pData), "9"); // A.f1, an expression
    EXPECT_EQ(*static_cast<long long*>(r[2 + 0].pData), 2);
    EXPECT_EQ(*static_cast<long long*>(r[2 + 1].pData), 9);
    EXPECT_EQ(WideAt(r[2 + 35].pData), u"77");
    Db2StmtDestroy(h);

    Args d;
    d << Sort() << Group() << T << "logtype < 3" << Group() << T << T << Sort() << T << Group() << Sort() << 0
      << 10;
    EXPECT_EQ(
        Rows(
            d.Format("select * from (select max(%s), %s from %s where %s group by %s ) As A(f1,f2), %s where "
                     "A.f1 = %s.%s and A.f2 = %s.%s  order by %s desc  limit %d, %d"),
            2 + 0, 3),
        (std::vector<std::string>{"2", "3", "4"}));
}

TEST_F(Db2GroupedQueries, OnlyNumbersOfCallAndMessageLogs)
{
    const char* T = kDistinct;
    Args a;
    a << Sort() << Group() << T << "lognumber"
      << "logtype" << 0 << 4 << Group() << T << T << Sort() << T << Group() << Sort();
    int h = Db2StmtCreate(
        a.Format("select * from (select max(%s), %s from %s where %s > ? and %s between %d and %d "
                 "group by %s ) As A(f1,f2), %s where A.f1 = %s.%s and A.f2 = %s.%s order by %s desc")
            .c_str());
    ASSERT_GT(h, 0);
    Db2BindField* p = Db2StmtGetBindParamFields(h);
    ASSERT_NE(p, nullptr);
    CopyWide(p[0], u"", 80);
    ASSERT_EQ(Db2StmtExecute(h), 2); // group 9 has no number, group 10 is log type 7
    std::vector<long long> ids;
    while (Db2StmtGetNextRow(h) == 0)
        ids.push_back(*static_cast<long long*>(Db2StmtGetBindResFields(h)[2].pData));
    EXPECT_EQ(ids, (std::vector<long long>{2, 3}));
    Db2StmtDestroy(h);
}

TEST_F(Db2GroupedQueries, GroupsPerDayWithIntegerDivision)
{
    const char* T = kDistinct;
    Args a;
    a << "starttime" << Group() << Sort() << T;
    ASSERT_EQ(
        Db2QueryEx(
            a.Format("select date_f, count(pid_f) from (select %s/86400*86400, %s, max(%s) from %s group "
                     "by 1,2 order by 1 desc) as date_tbl(date_f,pid_f) group by 1")
                .c_str()),
        2);
    std::vector<std::pair<std::string, std::string>> days;
    while (Db2GetNextRow() == 0)
        days.push_back({Col(0), Col(1)});
    Db2ClearRow();
    // Day 3: groups 7 and 8; day 4: groups 7, 9 and 10.
    EXPECT_EQ(days, (std::vector<std::pair<std::string, std::string>>{{"259200", "2"}, {"345600", "3"}}));

    Args b;
    b << "starttime" << Group() << Sort() << T << "logtype = 0";
    EXPECT_EQ(
        Rows(b.Format("select date_f, count(pid_f) from (select %s/86400*86400, %s, max(%s) from %s where %s "
                      "group by 1,2 order by 1 desc) as date_tbl(date_f,pid_f) group by 1"),
             1, 2),
        (std::vector<std::string>{"1", "1"}));
    Args c;
    c << "starttime" << Group() << Sort() << T << "logtype < 3"
      << "sortindex desc";
    EXPECT_EQ(
        Rows(c.Format("select date_f, count(pid_f) from (select %s/86400*86400, %s, max(%s) from %s where %s "
                      "group by 1,2 order by %s ) as date_tbl(date_f,pid_f) group by 1"),
             0, 2),
        (std::vector<std::string>{"259200", "345600"}));
}

TEST_F(Db2GroupedQueries, GroupCountDistinctAndLimits)
{
    const char* T = kDistinct;
    EXPECT_EQ(Db2QueryEx("select %s as f1, max(%s) as f2 from %s where %s group by %s order by f2 desc",
                         Group(), Sort(), T, "logtype < 3", Group()),
              3);
    Db2ClearRow();
    EXPECT_EQ(Db2QueryEx("select %s as f1, max(%s) as f2 from %s  group by %s order by f2 desc", Group(),
                         Sort(), T, Group()),
              4);
    Db2ClearRow();
    EXPECT_EQ(Db2QueryEx("select distinct %s from %s where %s", "logtype", T, "groupid > 7"), 3);
    Db2ClearRow();
    EXPECT_EQ(Db2QueryEx("select distinct %s from %s", "basicnumber", T), 4);
    Db2ClearRow();

    EXPECT_EQ(
        Rows(Args().Format("select * from UlogDistinctDbTable  order by sortindex desc limit  1, 2"), 1, 2),
        (std::vector<std::string>{"6", "5"}));
    EXPECT_EQ(Rows(Args().Format(
                       "select * from UlogDistinctDbTable where logtype = 0 order by sortindex desc limit  "
                       "0, 10"),
                   1, 2),
              (std::vector<std::string>{"3", "1"}));
    EXPECT_EQ(
        Rows(Args().Format("select * from UlogDistinctDbTable where logtype < 3 order by logtype, sortindex "
                           "desc"),
             0, 4),
        (std::vector<std::string>{"1", "4", "2", "3"}));
    // Count -1 means no limit; the content handler's form starts with a blank.
    EXPECT_EQ(Db2QueryEx(" select * from %s limit %d, %d", T, 0, -1), 5);
    Db2ClearRow();
    EXPECT_EQ(Db2QueryEx(" select * from %s limit %d, %d", T, 4, 20), 1);
    Db2ClearRow();
}

TEST_F(Db2ServiceStatements, FrequentAndPhotoFavouriteRankings)
{
    auto fav =
        [](int id, int sortIndex, int logType, const char* basic, int dupCount, int ctPid, int msgLogType)
    {
        Log l;
        l.id = id;
        l.sortIndex = sortIndex;
        l.groupId = id;
        l.logType = logType;
        l.basicNumber = basic;
        l.dupCount = dupCount;
        l.ctPid = ctPid;
        l.msgLogType = msgLogType;
        return l;
    };
    Seed(kDistinct, {fav(1, 1, 0, "111", 5, 1, 0), fav(2, 2, 3, "111", 4, 1, 0), // 111: 9 together
                     fav(3, 3, 0, "222", 7, 2, 0), fav(4, 8, 3, "333", 7, 3, 0), // tie on 7: newer first
                     fav(5, 5, 1, "444", 50, 4, 0),                              // received only: never
                     fav(6, 6, 0, "555", 60, -1, 0),                             // no contact: never
                     fav(7, 7, 3, "666", 70, 6, 64)});                           // e-mail based: never

    Args a;
    a << "basicnumber"
      << "sncount"
      << "sortindex" << kDistinct << "ctprimaryid"
      << "msglogtype" << 64 << "logtype" << 0 << 3 << "basicnumber" << 10 << kDistinct;
    EXPECT_EQ(
        Rows(a.Format(
                 "select f1, f2, f3 from (select %s, sum(%s), max(%s) from %s where %s > -1 and %s <> %d "
                 "and %s in(%d, %d) group by %s order by f2 desc, f3 desc limit 0, %d ) as %s(f1,f2,f3) "),
             0, 3),
        (std::vector<std::string>{"111", "333", "222"}));
    Args b;
    b << "basicnumber"
      << "sncount"
      << "sortindex" << kDistinct << "ctprimaryid"
      << "msglogtype" << 64 << "logtype" << 0 << 3 << "basicnumber" << 2 << kDistinct;
    EXPECT_EQ(
        Rows(b.Format(
                 "select f1, f2, f3 from (select %s, sum(%s), max(%s) from %s where %s > -1 and %s <> %d "
                 "and %s in(%d, %d) group by %s order by f2 desc, f3 desc limit 0, %d ) as %s(f1,f2,f3) "),
             1, 2),
        (std::vector<std::string>{"9", "7"}));
    EXPECT_EQ(Rows(Args().Format("select * from  UlogDistinctDbTable where basicnumber = '111'"), 0, 2),
              (std::vector<std::string>{"1", "2"}));

    Args c;
    c << kDistinct << "logtype" << 0 << "sncount" << 2;
    EXPECT_EQ(Rows(c.Format("select * from %s where %s = %d order by %s desc limit 0, %d"), 0, 2),
              (std::vector<std::string>{"6", "3"}));
}
} // namespace
