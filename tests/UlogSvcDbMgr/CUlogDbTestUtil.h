// Helpers shared by the table and query-manager tests: building logs, reading
// rows back, and looking at the database schema.
#ifndef ULOG_DB_TEST_UTIL_H
#define ULOG_DB_TEST_UTIL_H

#include <memory>
#include <string>
#include <vector>

#include "H/UlogSvcList.h"
#include "KivCore/KivCore.h"
#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcDbMgr/CUlogNativeDbMgr.h"
#include "UlogSvcDbMgr/CUlogSvcDataSet.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "support/PlatformFixture.h"

namespace ulogdbtest
{
inline std::u16string W(const char* psz)
{
    std::vector<WCHAR> buf(AcStrlen(psz) * 2 + 2, 0);
    WmConvert2PCode(buf.data(), (int)buf.size(), psz);
    return std::u16string(buf.begin(), buf.begin() + WmStrlen(buf.data()));
}

inline const WCHAR* P(const std::u16string& s)
{
    return reinterpret_cast<const WCHAR*>(s.c_str());
}

inline std::string N(const WCHAR* pmsz)
{
    std::vector<char> buf((size_t)WmStrlen(pmsz) * 4 + 1, 0);
    WmConvert2LCode(buf.data(), (int)buf.size(), pmsz);
    return std::string(buf.data());
}

// A data set for a call log with the given type, number, sort index, group and cost.
inline CUlogSvcDataSet MakeDataSet(UlogLogType iLogType, const char* pszNumber, int nSortIndex,
                                   int nGroupId = 1, int nCallCost = -1)
{
    CUlogSvcDataSet ds;
    ds.SetLogType(iLogType);
    ds.SetNumber(P(W(pszNumber)));
    ds.SetBasicNumber(pszNumber);
    ds.SetSortIndex(nSortIndex);
    ds.SetGroupID(nGroupId);
    ds.SetCallCost(nCallCost);
    return ds;
}

inline std::unique_ptr<CUlog> MakeLog(const CUlogSvcDataSet& ds)
{
    CUlogSvcGenerator generator;
    return std::unique_ptr<CUlog>(generator.Generate(ds));
}

// Owns a list returned by the query manager.
template <class T> struct ListDeleter
{
    void operator()(IUlogList<T>* p) const
    {
        if (p != nullptr)
            p->Release();
    }
};
template <class T> using ListPtr = std::unique_ptr<IUlogList<T>, ListDeleter<T>>;

// The data sets of every log of a list, in list order.
inline std::vector<CUlogSvcDataSet> Rows(IUlogList<CUlog>* pList)
{
    std::vector<CUlogSvcDataSet> rows;
    if (pList == nullptr)
        return rows;
    IUlogIterator<CUlog>* pIter = pList->GetIterator();
    for (pIter->First(); !pIter->IsDone(); pIter->Next())
        rows.emplace_back(*pIter->GetCurItem());
    pIter->Release();
    return rows;
}

// The sort indexes of a list's logs in list order (none for no list); the list is released.
inline std::vector<int> SortIndexes(IUlogList<CUlog>* pList)
{
    ListPtr<CUlog> list(pList);
    std::vector<int> v;
    for (const CUlogSvcDataSet& row : Rows(pList))
        v.push_back(row.GetSortIndex());
    return v;
}

// Every value of a list of numbers, in list order; the list is released.
inline std::vector<int> Values(IUlogList<int>* pList)
{
    ListPtr<int> list(pList);
    std::vector<int> v;
    if (pList == nullptr)
        return v;
    IUlogIterator<int>* pIter = pList->GetIterator();
    for (pIter->First(); !pIter->IsDone(); pIter->Next())
        v.push_back(*pIter->GetCurItem());
    pIter->Release();
    return v;
}

// A filter of one comparison.
inline CUlogSvcFilter Where(const char* pszField, int nValue)
{
    CUlogSvcFilter filter;
    filter.SetFilter(pszField, nValue);
    return filter;
}

// A filter of the number, bound as an argument.
inline CUlogSvcFilter ByNumber(const char* pszNumber)
{
    CUlogSvcFilter filter("lognumber = ?");
    const std::u16string number = W(pszNumber);
    filter.AppendFilterArg(reinterpret_cast<const unsigned short*>(number.c_str()));
    return filter;
}

// Every row of a one-column query, as text.
inline std::vector<std::string> QueryColumn(const char* pszQuery)
{
    std::vector<std::string> values;
    const int nRows = Db2QueryEx(pszQuery);
    for (int i = 0; i < nRows; i++)
    {
        if (Db2GetNextRow() < 0)
            break;
        const char* psz = Db2GetColumn(0);
        values.emplace_back(psz != nullptr ? psz : "<null>");
    }
    Db2ClearRow();
    return values;
}

// The names of the indexes the service created on a table, sorted by name.
inline std::vector<std::string> IndexNames(const char* pszTable)
{
    std::string query = "select name from sqlite_master where type = 'index' and tbl_name = '";
    query += pszTable;
    query += "' order by name";
    std::vector<std::string> names;
    for (const std::string& name : QueryColumn(query.c_str()))
    {
        if (name.rfind("sqlite_", 0) != 0) // the engine's own index of the primary key
            names.push_back(name);
    }
    return names;
}

inline bool TableExists(const char* pszTable)
{
    return Db2CheckTable(pszTable) == 1;
}

// A fresh platform with both tables made by the native query manager.
class NativeDbTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        m_mgr.Init();
    }

    // Inserts a log built from the data set into the table; its unique id (-1 on failure).
    int Insert(const CUlogSvcDataSet& ds, UlogDbTableType type = ULOG_DB_TABLE_DISTINCT)
    {
        std::unique_ptr<CUlog> log = MakeLog(ds);
        if (!log)
            return -1;
        return m_mgr.Insert(*log, type) ? log->GetUniqueID() : -1;
    }

    CUlogNativeDbMgr m_mgr;
};
} // namespace ulogdbtest

#endif
