/*
 * CUlogSvcLogMgrBase: the operations that the distinct and the duplicate log
 * managers run alike on their own table: every read and query, and the few
 * writes that only forward to another operation. TInterface is the manager's
 * interface (IUlogSvcDistinctMgr or IUlogSvcDuplMgr); the table and the module
 * name that assertion reports carry are given by the manager.
 *
 * The operations that change a table (and, for the distinct table, notify its
 * observers) stay with each manager.
 */
#ifndef CULOG_SVC_LOG_MGR_BASE_H
#define CULOG_SVC_LOG_MGR_BASE_H

#include "UlogSvcLogMgr/IUlogSvcDistinctMgr.h"
#include "UlogSvcLogMgr/IUlogSvcDuplMgr.h"

#include <string>

class IUlogDbMgr;

template <class TInterface> class CUlogSvcLogMgrBase : public TInterface
{
public:
    using TInterface::Delete;
    /* Deletes the row of the log's unique id (through the manager's Delete). */
    void Delete(const CUlog& log) override;
    BOOL UpdateReserved(CUlog& log) override;
    /* Deletes the rows of the basic number (through the manager's filter Delete). */
    BOOL DeleteByBasicNumber(const char* pszBasicNumber) override;

    CUlog* GetUlog(const IUlogSvcFilter* pFilter) override;
    CUlog* GetFirstUlog(UlogLogType iLogType) override;
    CUlog* GetLastUlog(UlogLogType iLogType) override;
    CUlog* GetFirstUlog() override;
    CUlog* GetLastUlog() override;
    CUlog* GetLastUlog(const IUlogSvcFilter* pFilter) override;
    CUlog* GetUlog(int nUniqueId) override;
    CUlog* GetUlogByNumber(UlogLogType iLogType, const char* pszNumber, int nIPCallDigitCount) override;

    IUlogList<CUlog>* GetUlogs(const IUlogSvcFilter* pFilter) override;
    IUlogList<CUlog>* GetUlogs(UlogLogType iLogType) override;
    IUlogList<CUlog>* GetUlogs() override;
    IUlogList<CUlog>* GetUlogs(const IUlogSvcFilter* pFilter, int nStart, int nCount) override;
    IUlogList<CUlog>* GetUlogs(int nStart, int nCount) override;
    IUlogList<CUlog>* GetUlogs(UlogLogType iLogType, int nStart, int nCount) override;
    IUlogList<CUlog>* GetUlogsByGroup(const IUlogSvcFilter* pFilter, int nStart, int nCount) override;
    IUlogList<int>* GetFieldDistinct(int nField, const IUlogSvcFilter* pFilter) override;
    IUlogList<CUlog>* GetAllUlogOnlyNumber() override;
    IUlogList<CUlog>* GetDateByGroup(const IUlogSvcFilter* pFilter) override;
    int GetIndex(int nUniqueId) override;
    int GetSum(int nField) override;
    int GetAverage(int nField) override;
    IUlogList<CUlog>* GetMax(int nField) override;
    IUlogList<CUlog>* GetMin(int nField) override;
    int GetCount(UlogLogType iLogType) override;
    int GetCount() override;
    int GetCount(const IUlogSvcFilter* pFilter) override;
    int GetGroupCount(const IUlogSvcFilter* pFilter) override;
    int GetCountDistinct(int nField, const IUlogSvcFilter* pFilter) override;
    BOOL SetFilter(int nFilter) override;
    BOOL SetOrder(int nOrder1, int nOrder2, int nOrder3, int nOrder4) override;
    BOOL IsExist(int nUniqueId) override;

protected:
    /* A manager of iTable over pDbMgr (not owned); reports carry pszModule. */
    CUlogSvcLogMgrBase(IUlogDbMgr* pDbMgr, UlogDbTableType iTable, const char* pszModule);
    ~CUlogSvcLogMgrBase() override;

    /* FALSE, with a report at nLine, when there is no query manager. */
    BOOL __CheckDbMgr(int nLine) const;
    /* bCond; a precondition report with pszText when it does not hold. */
    bool __Require(bool bCond, const char* pszText, int nLine) const;
    /* The column name of nField in this manager's table. */
    std::string __Field(int nField) const;

    IUlogDbMgr* m_pDbMgr;

private:
    const UlogDbTableType m_iTable;
    const char* const m_pszModule;
};

extern template class CUlogSvcLogMgrBase<IUlogSvcDistinctMgr>;
extern template class CUlogSvcLogMgrBase<IUlogSvcDuplMgr>;

#endif
