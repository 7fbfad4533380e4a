/*
 * CUlogSvcXmlMgr: exports every distinct log into "/User/UlogSvc/Ulogs.xml", spread over timer ticks.
 *
 * ConvertAll2Xml takes the logs as they are at that moment (one snapshot, read under the service lock),
 * writes the header and the first log at once, and the timer (id 200, period 100) writes the rest in
 * slices: 50 logs on the first tick of the manager's life, 100 on the second, 50 x n on the n-th, also
 * across exports. The caller polls IsDone(); IsSucceeded() then tells whether the file was written.
 *
 * The text goes to a temporary file beside "Ulogs.xml", which is renamed over it when the close tag is
 * written: until then the previous file stays whole. A failed write ends the export (done, not
 * succeeded, temporary file removed, previous file kept). A second ConvertAll2Xml while one runs
 * abandons the first (its temporary file removed) and starts over.
 *
 * Locks: m_startMutex serialises ConvertAll2Xml and is taken before the service lock, which is given
 * back before m_mutex is taken. m_mutex guards the export's state and is held by the ticks; nothing
 * under it takes the service lock or waits for a tick. The timer is killed by a tick itself, or by
 * ConvertAll2Xml under m_startMutex only (a kill waits for a tick running on another thread).
 */
#ifndef CULOG_SVC_XML_MGR_H
#define CULOG_SVC_XML_MGR_H

#include "H/UlogSvcList.h"
#include "UlogSvcUtil/CUlogSvcTimer.h"

#include <mutex>
#include <string>

class CUlogSvcXmlConvert;
class CUlogSvcXmlHandler;

class CUlogSvcXmlMgr : public CUlogSvcTimer
{
public:
    static CUlogSvcXmlMgr* Instance();

    /* Starts an export. FALSE when there is no log (nothing written or removed), the logs cannot be
     * read, or a write fails at once (the export is then done and failed). With one log the export is
     * done when this returns. */
    BOOL ConvertAll2Xml();
    /* TRUE once the export started last has ended, written or failed. */
    BOOL IsDone();
    /* TRUE when the export that ended last wrote the whole file. */
    BOOL IsSucceeded();
    /* Ticks served since the manager was created (the n of the next slice is one more). */
    unsigned long GetTickCount();

    static const char* const s_pszDir;  /* "/User/UlogSvc/" */
    static const char* const s_pszFile; /* "Ulogs.xml" */

protected:
    void OnTick(unsigned long timerId) override;

private:
    CUlogSvcXmlMgr();
    ~CUlogSvcXmlMgr() override;

    /* The logs as they are now: a list in memory, or NULL when they cannot be read. */
    IUlogList<CUlog>* __TakeSnapshot();
    /* A new empty temporary file in the directory; FALSE (reported) when none can be made. */
    BOOL __CreateTempFile();
    /* Appends the logs from the iterator, at most nMax of them, to the text. */
    void __AppendLogs(std::string& text, unsigned long nMax);
    /* Writes the text at the end of the temporary file; on failure the export ends failed. */
    BOOL __Write(const std::string& text);
    /* Writes the close tag and renames the temporary file over the export's file; the export ends. */
    BOOL __Finish(std::string& text);
    /* Ends the export: done, with the result; the list released, the temporary file removed when it is
     * still there. Called with m_mutex held. */
    void __End(BOOL bSucceeded);

    const unsigned long m_nTimerID;
    const unsigned long m_nTickPeriod;
    IUlogList<CUlog>* m_pList;
    IUlogIterator<CUlog>* m_pIter;
    unsigned long m_nTickCount;
    CUlogSvcXmlConvert* m_pConvert;
    CUlogSvcXmlHandler* m_pHandler;
    BOOL m_bDone;
    BOOL m_bSucceeded;
    BOOL m_bTimerSet;
    std::string m_strTempPath;
    std::mutex m_startMutex;
    std::mutex m_mutex;
};

#endif
