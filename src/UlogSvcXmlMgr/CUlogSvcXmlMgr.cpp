#define ULOG_SRC_MODULE "UlogSvcXmlMgr/UlogSvcXmlMgr"
#include "H/UlogSvcDef.h"

#include "UlogSvcXmlMgr/CUlogSvcXmlMgr.h"

#include "UlogSvcLogMgr/CUlogSvcLogMgrLock.h"
#include "KivCore/KivCore.h"
#include "UlogSvcLogMgr/IUlogSvcDistinctMgr.h"
#include "UlogSvcUtil/CUlogSvcLock.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"
#include "UlogSvcXmlMgr/CUlogSvcXmlConvert.h"
#include "UlogSvcXmlMgr/CUlogSvcXmlHandler.h"

namespace
{
const int kPathBufSize = 773;
const int kTempNameTries = 100;
const unsigned long kSliceLogs = 50; /* logs per tick, times the tick count */
} // namespace

const char* const CUlogSvcXmlMgr::s_pszDir = "/User/UlogSvc/";
const char* const CUlogSvcXmlMgr::s_pszFile = "Ulogs.xml";

CUlogSvcXmlMgr* CUlogSvcXmlMgr::Instance()
{
    CUlogSvcMutex mutex;
    CUlogSvcLock lock(mutex);
    // Never destroyed: a tick may still run on the timer's thread while the process exits.
    static CUlogSvcXmlMgr* s_pInstance = new CUlogSvcXmlMgr();
    return s_pInstance;
}

CUlogSvcXmlMgr::CUlogSvcXmlMgr()
    : m_nTimerID(200), m_nTickPeriod(100), m_pList(NULL), m_pIter(NULL), m_nTickCount(0),
      m_pConvert(new CUlogSvcXmlConvert()), m_pHandler(new CUlogSvcXmlHandler()), m_bDone(FALSE),
      m_bSucceeded(FALSE), m_bTimerSet(FALSE)
{
}

CUlogSvcXmlMgr::~CUlogSvcXmlMgr()
{
    UlogRelease(m_pIter);
    UlogRelease(m_pList);
    delete m_pConvert;
    delete m_pHandler;
}

BOOL CUlogSvcXmlMgr::IsDone()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bDone;
}

BOOL CUlogSvcXmlMgr::IsSucceeded()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bSucceeded;
}

unsigned long CUlogSvcXmlMgr::GetTickCount()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nTickCount;
}

BOOL CUlogSvcXmlMgr::ConvertAll2Xml()
{
    std::lock_guard<std::mutex> start(m_startMutex);
    IUlogList<CUlog>* pList = __TakeSnapshot();
    if (!ULOG_REQUIRE_T(pList != NULL, "m_pList != NULL"))
        return FALSE;
    if (pList->GetCount() <= 0)
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcXmlMgr::ConvertAll2Xml - nothing to convert.\n");
        pList->Release();
        return FALSE;
    }

    // An export still running is abandoned and its timer stopped. The kill waits for a tick running on
    // the timer's thread, so m_mutex, which that tick takes, is not held across it.
    BOOL bTimerSet = FALSE;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_pList != NULL)
        {
            SysDebugPrintf(ULOG_DBG_PROGRESS,
                           "CUlogSvcXmlMgr::ConvertAll2Xml: the running export is abandoned\n");
            __End(FALSE);
        }
        bTimerSet = m_bTimerSet;
        m_bTimerSet = FALSE;
    }
    if (bTimerSet)
        KillTimer(m_nTimerID);

    std::lock_guard<std::mutex> lock(m_mutex);
    m_bDone = FALSE;
    m_bSucceeded = FALSE;
    m_pList = pList;
    m_pIter = pList->GetIterator();
    if (!ULOG_REQUIRE(m_pIter != NULL) || !__CreateTempFile())
    {
        __End(FALSE);
        return FALSE;
    }
    m_pIter->First();
    std::string text;
    m_pConvert->AppendHeader(text);
    __AppendLogs(text, 1);
    if (m_pIter->IsDone())
        return __Finish(text);
    if (!__Write(text))
        return FALSE;
    SetTimer(m_nTimerID, m_nTickPeriod);
    m_bTimerSet = TRUE;
    return TRUE;
}

void CUlogSvcXmlMgr::OnTick(unsigned long timerId)
{
    if (timerId != m_nTimerID)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_pIter != NULL)
    {
        ++m_nTickCount;
        std::string text;
        __AppendLogs(text, kSliceLogs * m_nTickCount);
        if (m_pIter->IsDone())
            __Finish(text);
        else
            __Write(text);
    }
    // Ended now, or earlier (abandoned for an export that was done at once): the timer stops.
    if (m_pIter == NULL)
    {
        m_bTimerSet = FALSE;
        KillTimer(m_nTimerID);
    }
}

IUlogList<CUlog>* CUlogSvcXmlMgr::__TakeSnapshot()
{
    IUlogSvcDistinctMgr* pLogMgr = IUlogSvcDistinctMgr::Instance();
    if (!ULOG_REQUIRE(pLogMgr != NULL))
        return NULL;
    CUlogList<CUlog>* pCopy = new (std::nothrow) CUlogList<CUlog>();
    if (pCopy == NULL)
        return NULL;
    // The rows are read in blocks: no change of the tables between the first and the last, so that a
    // log added meanwhile is neither written twice nor pushes another one out of the file.
    CUlogSvcLogMgrScope scope;
    IUlogList<CUlog>* pList = pLogMgr->GetUlogs();
    IUlogIterator<CUlog>* pIter = pList != NULL ? pList->GetIterator() : NULL;
    bool bOk = ULOG_REQUIRE(pIter != NULL);
    if (bOk)
    {
        for (pIter->First(); bOk && !pIter->IsDone(); pIter->Next())
        {
            const CUlog* pUlog = pIter->GetCurItem();
            CUlog* pClone = pUlog != NULL ? pUlog->Clone() : NULL;
            bOk = ULOG_REQUIRE(pClone != NULL);
            if (bOk)
                pCopy->Add(*pClone);
        }
    }
    UlogRelease(pIter);
    UlogRelease(pList);
    if (!bOk)
    {
        pCopy->Release();
        return NULL;
    }
    return pCopy;
}

BOOL CUlogSvcXmlMgr::__CreateTempFile()
{
    const HOBJ hDir = FmOpenDir(s_pszDir);
    if (hDir == INVALID_HOBJ)
    {
        if (!FmCreateDir(s_pszDir))
        {
            SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcXmlConvert::FileOpen: FmCreateDir() failed\n");
            return FALSE;
        }
    }
    else
        FmCloseDir(hDir);
    // A name of this export's own: another process may be exporting beside this one.
    for (int n = 0; n < kTempNameTries; ++n)
    {
        char szPath[kPathBufSize];
        AcSprintfSEx(szPath, sizeof(szPath), ULOG_SRC_MODULE, __LINE__, "%s%s.%d.tmp", s_pszDir, s_pszFile,
                     n);
        const HOBJ hFile = FmCreateFile(szPath, 4);
        if (hFile != INVALID_HOBJ)
        {
            FmCloseFile(hFile);
            m_strTempPath = szPath;
            return TRUE;
        }
        if (!FmGetFileAttributes(szPath, NULL))
            break; // not taken by another file: the directory refuses new files
    }
    SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcXmlConvert::FileOpen: FmCreateFile Fail \n");
    return FALSE;
}

void CUlogSvcXmlMgr::__AppendLogs(std::string& text, unsigned long nMax)
{
    for (unsigned long n = 0; n < nMax && !m_pIter->IsDone(); ++n, m_pIter->Next())
    {
        const CUlog* pUlog = m_pIter->GetCurItem();
        if (ULOG_REQUIRE(pUlog != NULL))
            m_pConvert->AppendUlog(text, *pUlog);
    }
}

BOOL CUlogSvcXmlMgr::__Write(const std::string& text)
{
    if (m_pConvert->WriteFile(m_strTempPath.c_str(), text))
        return TRUE;
    SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcXmlMgr::__Write: the export failed; %s%s is kept as it was\n",
                   s_pszDir, s_pszFile);
    __End(FALSE);
    return FALSE;
}

BOOL CUlogSvcXmlMgr::__Finish(std::string& text)
{
    m_pConvert->AppendFooter(text);
    if (!__Write(text))
        return FALSE;
    char szPath[kPathBufSize];
    AcSprintfSEx(szPath, sizeof(szPath), ULOG_SRC_MODULE, __LINE__, "%s%s", s_pszDir, s_pszFile);
    if (!FmRenameFile(m_strTempPath.c_str(), szPath))
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "CUlogSvcXmlMgr::__Finish: FmRenameFile failed; %s is kept as it was\n",
                       szPath);
        __End(FALSE);
        return FALSE;
    }
    m_strTempPath.clear();
    __End(TRUE);
    return TRUE;
}

void CUlogSvcXmlMgr::__End(BOOL bSucceeded)
{
    UlogRelease(m_pIter);
    m_pIter = NULL;
    UlogRelease(m_pList);
    m_pList = NULL;
    if (!m_strTempPath.empty())
    {
        FmRemoveFile(m_strTempPath.c_str());
        m_strTempPath.clear();
    }
    m_bSucceeded = bSucceeded;
    m_bDone = TRUE;
}
