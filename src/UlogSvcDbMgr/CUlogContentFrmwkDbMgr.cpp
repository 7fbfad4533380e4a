#define ULOG_SRC_MODULE "UlogSvcDbMgr/UlogSvcContentFrmwkDbMgr"
#include "H/UlogSvcDef.h"

#include "UlogSvcDbMgr/CUlogContentFrmwkDbMgr.h"

#include "KivAppSvcFramework/ContentMgr.h"
#include "UlogSvcCfPlugin/CUlogQueryHandler.h"
#include "UlogSvcCollection/CUlogContentList.h"
#include "UlogSvcDbMgr/CUlogDB.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"

#include <new>
#include <string>
#include <vector>

namespace
{
const int CONDITION_SIZE = 128;

/* Content URIs of the log tables, by UlogDbTableType. */
const char* const s_apszTableUri[] = {"ulog/log/distinct", "ulog/log/dupl"};
const char* const s_apszSingleLogUri[] = {"ulog/log/distinct/temp", "ulog/log/dupl/temp"};

inline int TableIndex(UlogDbTableType type)
{
    return type == ULOG_DB_TABLE_DUPL ? 1 : 0;
}

std::vector<const WCHAR*> ArgsOf(const IUlogSvcFilter& filter)
{
    const std::vector<unsigned short*> args = filter.GetFilterArg();
    return std::vector<const WCHAR*>(args.begin(), args.end());
}

/* The rows of (uri, filter) as a list; NULL, with a report, when they cannot be read (the platform's last
 * error then says why), so that a failed read is never taken for an empty list. */
IUlogList<CUlog>* NewList(const char* pszFunc, const char* pszUri, const CContentFilter& filter)
{
    CUlogContentList<CUlog>* pList = new (std::nothrow) CUlogContentList<CUlog>(pszUri, &filter);
    if (pList == NULL)
    {
        return NULL;
    }
    if (!pList->IsReadable())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogContentFrmwkDbMgr::%s: the rows of %s cannot be read\n", pszFunc,
                       pszUri);
        pList->Release();
        return NULL;
    }
    return pList;
}
} // namespace

CUlogContentFrmwkDbMgr* CUlogContentFrmwkDbMgr::Instance()
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    static CUlogContentFrmwkDbMgr s_instance;
    return &s_instance;
}

const char* CUlogContentFrmwkDbMgr::GetTableUri(UlogDbTableType type)
{
    return s_apszTableUri[TableIndex(type)];
}

const char* CUlogContentFrmwkDbMgr::GetSingleLogUri(UlogDbTableType type)
{
    return s_apszSingleLogUri[TableIndex(type)];
}

UlogDbTableType CUlogContentFrmwkDbMgr::GetTableType(const CContentURI& uri) const
{
    if (uri.IsEqual(s_apszTableUri[0]) || uri.IsSubsetOf(s_apszTableUri[0]))
    {
        return ULOG_DB_TABLE_DISTINCT;
    }
    if (uri.IsEqual(s_apszTableUri[1]) || uri.IsSubsetOf(s_apszTableUri[1]))
    {
        return ULOG_DB_TABLE_DUPL;
    }
    return ULOG_DB_TABLE_DISTINCT;
}

BOOL CUlogContentFrmwkDbMgr::InitContent()
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    CContentMgr* pCotentMgr = CContentMgr::Instance();
    if (!ULOG_REQUIRE(pCotentMgr != NULL))
    {
        return 0;
    }
    pCotentMgr->RegisterHandlerFactory(GetRootUri(), CUlogQueryHandlerFactory::Instance());
    return 1;
}

BOOL CUlogContentFrmwkDbMgr::CheckTempLog()
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    return CUlogDbMgr::CheckTempLog();
}

CUlog* CUlogContentFrmwkDbMgr::__GetFirstRow(const char* pszFunc, const CContentFilter& filter,
                                             UlogDbTableType type)
{
    CContentMgr* pCotentMgr = CContentMgr::Instance();
    if (!ULOG_REQUIRE(pCotentMgr != NULL))
    {
        return NULL;
    }
    std::vector<CContent> rows;
    if (!pCotentMgr->GetContents(GetSingleLogUri(type), filter, rows, 0, 1) || rows.empty())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogContentFrmwkDbMgr::%s: GetContent() failed.\n", pszFunc);
        return NULL;
    }
    CUlogSvcGenerator generator;
    CUlog* pUlog = generator.Generate(rows[0]);
    if (!ULOG_REQUIRE(pUlog != NULL))
    {
        return NULL;
    }
    return pUlog;
}

CUlog* CUlogContentFrmwkDbMgr::GetULOG(const char* pszCondition, UlogDbTableType type)
{
    const char* pszFilter = pszCondition;
    if (!ULOG_REQUIRE(pszFilter != NULL))
    {
        return NULL;
    }
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    const CContentFilter filter(std::vector<std::string>(), pszFilter, std::vector<const WCHAR*>(), "");
    return __GetFirstRow("GetULOG", filter, type);
}

CUlog* CUlogContentFrmwkDbMgr::GetUlog(const IUlogSvcFilter& filter, UlogDbTableType type)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    return __GetFirstRow("GetUlog", filter.GetContentFilter(), type);
}

BOOL CUlogContentFrmwkDbMgr::GetFirstUlogs(const IUlogSvcFilter& filter, int nMax, std::vector<CUlog*>& rows,
                                           UlogDbTableType type)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    CContentMgr* pContentMgr = CContentMgr::Instance();
    if (!ULOG_REQUIRE(pContentMgr != NULL) || nMax < 1)
    {
        return 0;
    }
    std::vector<CContent> contents;
    pContentMgr->GetContents(GetSingleLogUri(type), filter.GetContentFilter(), contents, 0, nMax);
    CUlogSvcGenerator generator;
    std::vector<CUlog*> read;
    for (const CContent& content : contents)
    {
        CUlog* pUlog = generator.Generate(content);
        if (!ULOG_REQUIRE(pUlog != NULL))
        {
            for (CUlog* p : read)
                delete p;
            return 0;
        }
        read.push_back(pUlog);
    }
    rows.insert(rows.end(), read.begin(), read.end());
    return 1;
}

CUlog* CUlogContentFrmwkDbMgr::GetFirstUlog(int nLogType, UlogDbTableType type)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    char szCondition[CONDITION_SIZE] = {0};
    AcSprintfSEx(szCondition, sizeof(szCondition), __FILE__, __LINE__, "%s = %d and %s = %d",
                 GetFieldName(ULOG_DB_LOG_TYPE, type), nLogType, GetFieldName(ULOG_DB_SORT_INDEX, type),
                 GetMinSortIndex(nLogType, type));
    return GetULOG(szCondition, type);
}

CUlog* CUlogContentFrmwkDbMgr::GetLastUlog(int nLogType, UlogDbTableType type)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    char szCondition[CONDITION_SIZE] = {0};
    AcSprintfSEx(szCondition, sizeof(szCondition), __FILE__, __LINE__, "%s = %d and %s = %d",
                 GetFieldName(ULOG_DB_LOG_TYPE, type), nLogType, GetFieldName(ULOG_DB_SORT_INDEX, type),
                 GetMaxSortIndex(nLogType, type));
    return GetULOG(szCondition, type);
}

CUlog* CUlogContentFrmwkDbMgr::GetFirstUlog(UlogDbTableType type)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    char szCondition[CONDITION_SIZE] = {0};
    AcSprintfSEx(szCondition, sizeof(szCondition), __FILE__, __LINE__, "%s = %d",
                 GetFieldName(ULOG_DB_SORT_INDEX, type), GetMinSortIndex(type));
    return GetULOG(szCondition, type);
}

CUlog* CUlogContentFrmwkDbMgr::GetLastUlog(UlogDbTableType type)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    char szCondition[CONDITION_SIZE] = {0};
    AcSprintfSEx(szCondition, sizeof(szCondition), __FILE__, __LINE__, "%s = %d",
                 GetFieldName(ULOG_DB_SORT_INDEX, type), GetMaxSortIndex(type));
    return GetULOG(szCondition, type);
}

CUlog* CUlogContentFrmwkDbMgr::GetLastUlog(const IUlogSvcFilter& filter, UlogDbTableType type)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    const std::string strText = filter.GetFilter();
    const std::vector<const WCHAR*> args = ArgsOf(filter);
    if (!args.empty())
    {
        /* The largest sort index of a filter is computed without its bound arguments, so it cannot
         * find the row: take the newest matching row in one read instead. */
        char szOrder[CONDITION_SIZE] = {0};
        AcSprintfSEx(szOrder, sizeof(szOrder), __FILE__, __LINE__, "%s desc",
                     GetFieldName(ULOG_DB_SORT_INDEX, type));
        const CContentFilter newest(std::vector<std::string>(), strText, args, szOrder);
        return __GetFirstRow("GetULOG", newest, type);
    }
    const int nMax = GetMaxSortIndex(filter, type);
    char szSort[CONDITION_SIZE] = {0};
    AcSprintfSEx(szSort, sizeof(szSort), __FILE__, __LINE__, "%s = %d",
                 GetFieldName(ULOG_DB_SORT_INDEX, type), nMax);
    /* The whole filter text, kept together in parentheses so that an "or" inside it cannot take the
     * sort index condition apart; cutting or re-associating the text would select another row. */
    const std::string strCondition =
        strText.empty() ? std::string(szSort) : "(" + strText + ") and " + szSort;
    const CContentFilter contentFilter(std::vector<std::string>(), strCondition, std::vector<const WCHAR*>(),
                                       "");
    return __GetFirstRow("GetULOG", contentFilter, type);
}

CUlog* CUlogContentFrmwkDbMgr::GetUlogByUniqueID(int nUniqueId, UlogDbTableType type)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    char szCondition[CONDITION_SIZE] = {0};
    AcSprintfSEx(szCondition, sizeof(szCondition), __FILE__, __LINE__, "%s = %d",
                 GetFieldName(ULOG_DB_ULOG_DB_INDEX, type), nUniqueId);
    return GetULOG(szCondition, type);
}

IUlogList<CUlog>* CUlogContentFrmwkDbMgr::GetUlogs(const IUlogSvcFilter& filter, UlogDbTableType type)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    const CContentFilter contentFilter(std::vector<std::string>(), filter.GetFilter(), ArgsOf(filter),
                                       filter.GetOrder());
    return NewList("GetUlogs", GetTableUri(type), contentFilter);
}

IUlogList<CUlog>* CUlogContentFrmwkDbMgr::GetAllUlog(int nLogType, UlogDbTableType type)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    char szWhere[CONDITION_SIZE] = {0};
    char szOrder[CONDITION_SIZE] = {0};
    AcSprintfSEx(szWhere, sizeof(szWhere), __FILE__, __LINE__, "%s = %d",
                 GetFieldName(ULOG_DB_LOG_TYPE, type), nLogType);
    AcSprintfSEx(szOrder, sizeof(szOrder), __FILE__, __LINE__, "%s, %s desc",
                 GetFieldName(ULOG_DB_LOG_TYPE, type), GetFieldName(ULOG_DB_SORT_INDEX, type));
    const CContentFilter contentFilter(std::vector<std::string>(), szWhere, std::vector<const WCHAR*>(),
                                       szOrder);
    return NewList("GetAllUlog", GetTableUri(type), contentFilter);
}

IUlogList<CUlog>* CUlogContentFrmwkDbMgr::GetAllUlog(UlogDbTableType type)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    char szOrder[CONDITION_SIZE] = {0};
    AcSprintfSEx(szOrder, sizeof(szOrder), __FILE__, __LINE__, "%s desc",
                 GetFieldName(ULOG_DB_SORT_INDEX, type));
    const CContentFilter contentFilter(std::vector<std::string>(), "", std::vector<const WCHAR*>(), szOrder);
    return NewList("GetAllUlog", GetTableUri(type), contentFilter);
}

IUlogList<CUlog>* CUlogContentFrmwkDbMgr::__GetMaxMin(int nField, bool bMax, UlogDbTableType type)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    CUlogDB* pDB = GetDB(type);
    int nValue = 0;
    if (pDB == NULL || !(bMax ? pDB->GetMax(nField, &nValue) : pDB->GetMin(nField, &nValue)))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, bMax ? "CUlogContentFrmwkDbMgr::GetMax: GetMax() failed!\n"
                                           : "CUlogContentFrmwkDbMgr::GetMax: GetMin() failed!\n");
        return NULL;
    }
    char szWhere[CONDITION_SIZE] = {0};
    AcSprintfSEx(szWhere, sizeof(szWhere), __FILE__, __LINE__, "%s = %d", GetFieldName(nField, type), nValue);
    const CContentFilter contentFilter(std::vector<std::string>(), szWhere, std::vector<const WCHAR*>(), "");
    return NewList("GetMax", GetTableUri(type), contentFilter);
}

IUlogList<CUlog>* CUlogContentFrmwkDbMgr::GetMax(int nField, UlogDbTableType type)
{
    return __GetMaxMin(nField, true, type);
}

IUlogList<CUlog>* CUlogContentFrmwkDbMgr::GetMin(int nField, UlogDbTableType type)
{
    return __GetMaxMin(nField, false, type);
}

int CUlogContentFrmwkDbMgr::GetCount(const IUlogSvcFilter& filter, UlogDbTableType type)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    CContentMgr* pCotentMgr = CContentMgr::Instance();
    if (!ULOG_REQUIRE(pCotentMgr != NULL))
    {
        return -1;
    }
    return pCotentMgr->GetCount(GetTableUri(type), filter.GetContentFilter());
}

BOOL CUlogContentFrmwkDbMgr::Delete(const IUlogSvcFilter& filter, UlogDbTableType type)
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    CContentMgr* pCotentMgr = CContentMgr::Instance();
    if (!ULOG_REQUIRE(pCotentMgr != NULL))
    {
        return 0;
    }
    return pCotentMgr->Delete(GetTableUri(type), filter.GetContentFilter());
}
