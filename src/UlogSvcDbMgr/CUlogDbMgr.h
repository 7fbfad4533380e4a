/*
 * CUlogDbMgr: the part of the query manager common to the native and the
 * content-framework managers. It owns the two table objects (distinct under 0,
 * duplicate under 1), creates missing tables at initialisation, forwards the
 * writes, deletes, row reading and aggregates to the table objects, and runs
 * the list and grouping queries with direct SQL.
 *
 * The reads that the two managers answer differently (delete by filter, the
 * single-log reads, GetUlogs(filter), GetAllUlog, GetMax, GetMin) are left to
 * the derived class. GetCount, InitContent and CheckTempLog have the direct
 * SQL behaviour here and may be overridden.
 */
#ifndef CULOG_DB_MGR_H
#define CULOG_DB_MGR_H

#include <map>
#include <vector>

#include "H/CUlogObject.h"
#include "UlogSvcDbMgr/IUlogDbMgr.h"

class CUlogDB;

class CUlogDbMgr : public IUlogDbMgr, public CUlogObject
{
public:
    CUlogDbMgr();
    ~CUlogDbMgr() override;

    CUlogDbMgr(const CUlogDbMgr&) = delete;
    CUlogDbMgr& operator=(const CUlogDbMgr&) = delete;

    BOOL Init() override;
    BOOL CheckTables() override;
    BOOL Exit() override;

    const char* GetTableName(UlogDbTableType type) override;
    const char* GetFieldName(int nField, UlogDbTableType type) override;

    BOOL Insert(CUlog& log, UlogDbTableType type) override;
    BOOL Update(CUlog& log, UlogDbTableType type) override;
    BOOL UpdateReserved(CUlog& log, UlogDbTableType type) override;
    BOOL UpdateUncheckedStatus(const IUlogSvcFilter& filter, int nValue, UlogDbTableType type) override;
    BOOL UpdateNameByVoicemailByLogType(CUlog& log, UlogDbTableType type) override;
    BOOL UpdateNameByVoicemail(CUlog& log, UlogDbTableType type) override;
    BOOL UpdateAllGroupId(int nOldGroupId, int nNewGroupId, UlogDbTableType type) override;

    BOOL Delete(int nUniqueId, UlogDbTableType type) override;
    using IUlogDbMgr::Delete;
    BOOL DeleteAll(int nLogType, UlogDbTableType type) override;
    BOOL DeleteAll(UlogDbTableType type) override;

    IUlogList<CUlog>* GetUlogs(const IUlogSvcFilter& filter, int nStart, int nCount,
                               UlogDbTableType type) override;
    IUlogList<CUlog>* GetUlogs(int nStart, int nCount, UlogDbTableType type) override;
    IUlogList<CUlog>* GetUlogs(int nLogType, int nStart, int nCount, UlogDbTableType type) override;
    using IUlogDbMgr::GetUlogs;
    IUlogList<CUlog>* GetUlogsByGroup(const IUlogSvcFilter& filter, int nStart, int nCount,
                                      UlogDbTableType type) override;
    IUlogList<int>* GetFieldDistinct(int nField, const IUlogSvcFilter& filter, UlogDbTableType type) override;
    IUlogList<CUlog>* GetAllUlogOnlyNumber(UlogDbTableType type) override;
    IUlogList<CUlog>* GetDateByGroup(const IUlogSvcFilter& filter, UlogDbTableType type) override;

    BOOL GetNextRecord(CUlogSvcDataSet& dataSet, UlogDbTableType type) override;
    double GetSum(int nField, UlogDbTableType type) override;
    double GetAverage(int nField, UlogDbTableType type) override;
    int GetCount(const IUlogSvcFilter& filter, UlogDbTableType type) override;
    int GetGroupCount(const IUlogSvcFilter& filter, UlogDbTableType type) override;
    int GetCountDistinct(int nField, const IUlogSvcFilter& filter, UlogDbTableType type) override;
    int GetMaxSortIndex(UlogDbTableType type) override;
    int GetMinSortIndex(UlogDbTableType type) override;
    int GetMaxSortIndex(int nLogType, UlogDbTableType type) override;
    int GetMinSortIndex(int nLogType, UlogDbTableType type) override;
    int GetMaxSortIndex(const IUlogSvcFilter& filter, UlogDbTableType type) override;
    int GetMinSortIndex(const IUlogSvcFilter& filter, UlogDbTableType type) override;
    int GetMaxGroupID(UlogDbTableType type) override;
    BOOL SetFilter(int nFilter, UlogDbTableType type) override;
    BOOL SetOrder(int nOrder1, int nOrder2, int nOrder3, int nOrder4, UlogDbTableType type) override;
    BOOL UpdateDupleContactInfo(const CUlog& log) override;
    /* No content handler here; returns 1. */
    BOOL InitContent() override;
    BOOL CheckTempLog() override;

protected:
    /* The table object of a table type; null (with a report) when there is none. */
    CUlogDB* GetDB(UlogDbTableType type) const;

    /* Applies the contact name order (setting 1417) to the data set's display name when the row
     * carries a first or last name. */
    static void __ResolveDisplayName(CUlogSvcDataSet& dataSet);

private:
    IUlogList<CUlog>* __GetUlogsByText(const char* pszQuery, int nCount, UlogDbTableType type);
    IUlogList<CUlog>* __GetUlogsByStmt(const char* pszFunc, const char* pszQuery,
                                       const std::vector<const WCHAR*>& args, int nCount, int nFirstColumn,
                                       UlogDbTableType type);

    std::map<UlogDbTableType, CUlogDB*> m_mapDB;
};

#endif
