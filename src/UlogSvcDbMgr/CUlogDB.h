/*
 * Table objects of the two log tables.
 *
 * CUlogDB holds every record operation (writes, deletes, row reading,
 * aggregates) on the table of the object it is called on; it names columns
 * only through GetTableName() and GetFieldName(). CUlogDistinctDB stands for
 * "UlogDistinctDbTable", CUlogDuplDB for "UlogDuplDbTable"; both tables have
 * the same 46 columns and differ in their indexes.
 *
 * Note the flag columns: field 20 names the column "iscnap" (position 21),
 * which stores the video-share flag, and field 21 names "isvideoshare"
 * (position 20), which stores the CNAP flag.
 */
#ifndef CULOG_DB_H
#define CULOG_DB_H

#include <vector>

#include "H/CUlogObject.h"
#include "KivCore/KivTypes.h"
#include "UlogSvc.h"

class CUlog;
class CUlogSvcDataSet;
class IUlogSvcFilter;

class CUlogDB : public CUlogObject
{
public:
    ~CUlogDB() override {}

    virtual const char* GetTableName() const = 0;
    /* Column name of a field identifier 0..45 (no bound check). */
    virtual const char* GetFieldName(int nFieldId) const = 0;
    /* Creates the table and then its indexes; 1 when the table was created. */
    virtual BOOL OnCreateTable() = 0;
    /* Creates the indexes that the existing table lacks; 1 when none is missing any more. */
    virtual BOOL CreateMissingIndexes() = 0;

    /* Creates the table when the engine does not report it; always 1. */
    BOOL CheckAndCreateTable();
    /* For a read-only database that lacks the table: an empty temporary table of the same columns, in
     * memory for the connection, so that reads find no rows instead of failing; 1 when created. */
    BOOL CreateStandIn();

    /* Writes a new row under the next unused unique id, which is set into the log once the row is
     * written (on failure the log keeps its id). */
    BOOL Insert(CUlog& log);
    /* Rewrites the row of the log's unique id (the basic number is derived again from the number); 0
     * when the write fails or no row has that id. */
    BOOL Update(CUlog& log);
    BOOL UpdateUncheckedStatus(const IUlogSvcFilter& filter, int nValue);
    BOOL UpdateNameByVoicemailByLogType(CUlog& log);
    BOOL UpdateNameByVoicemail(CUlog& log);
    BOOL Delete(int nUniqueId);
    BOOL DeleteAll(int nLogType);
    BOOL DeleteAll();

    /* Steps the current Db2QueryEx result and copies its row ("select *") into the data set. */
    BOOL GetNextRecord(CUlogSvcDataSet& dataSet);
    /* Steps a statement and copies its result slots, table position p at slot nFirstColumn + p. */
    BOOL GetNextRecord(HOBJ hStmt, CUlogSvcDataSet& dataSet, int nFirstColumn);
    BOOL CopyDataFromDB(CUlogSvcDataSet& dataSet);
    BOOL CopyDataFromDB(HOBJ hStmt, CUlogSvcDataSet& dataSet, int nFirstColumn);

    int GetCount(const IUlogSvcFilter& filter);
    double GetSum(int nFieldId);
    double GetAverage(int nFieldId);
    int GetUnusedDbIndex();
    int GetMaxSortIndex();
    int GetMinSortIndex();
    int GetMaxSortIndex(int nLogType);
    int GetMinSortIndex(int nLogType);
    int GetMaxSortIndex(const IUlogSvcFilter& filter);
    int GetMinSortIndex(const IUlogSvcFilter& filter);
    int GetMaxGroupID();
    BOOL GetMax(int nFieldId, int* pnValue);
    BOOL GetMin(int nFieldId, int* pnValue);

private:
    BOOL __InsertRow(CUlog& log);
    double __GetAggregate(const char* pszFunc, const char* pszAggregate, int nFieldId);
    int __GetSortIndex(const char* pszFunc, const char* pszQuery, const std::vector<unsigned short*>& args);
    int __GetSortIndex(const char* pszFunc, const char* pszAggregate, const IUlogSvcFilter& filter);
    BOOL __GetMaxMin(const char* pszAggregate, int nFieldId, int* pnValue);
    int __UpdateNameByVoicemail(const char* pszFunc, const char* pszQuery, const CUlog& log);
};

class CUlogDistinctDB : public CUlogDB
{
public:
    CUlogDistinctDB();

    const char* GetTableName() const override { return m_pszTableName; }
    const char* GetFieldName(int nFieldId) const override;
    BOOL OnCreateTable() override;
    BOOL CreateMissingIndexes() override;
    /* The create statement of the table: its name and every column. */
    int FormatCreateStatement(char* pszQuery, int nQuerySize) const;
    /* Creates the 15 indexes in order; 0 at the first failure (earlier ones stay). */
    BOOL CreateIndex();

    static const int INDEX_CNT = 15;

private:
    const char* m_pszTableName;
    const char* m_apszIndexName[INDEX_CNT];
};

class CUlogDuplDB : public CUlogDB
{
public:
    CUlogDuplDB();

    const char* GetTableName() const override { return m_pszTableName; }
    const char* GetFieldName(int nFieldId) const override;
    BOOL OnCreateTable() override;
    BOOL CreateMissingIndexes() override;
    /* The create statement of the table: its name and every column. */
    int FormatCreateStatement(char* pszQuery, int nQuerySize) const;
    /* Creates the 9 indexes in order; 0 at the first failure (earlier ones stay). */
    BOOL CreateIndex();

    static const int INDEX_CNT = 9;

private:
    const char* m_pszTableName;
    const char* m_apszIndexName[INDEX_CNT];
};

#endif
