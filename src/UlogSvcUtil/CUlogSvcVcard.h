/*
 * CUlogSvcVcard: exports call logs as vCard files, either all logs of one kind
 * in one file named as the phone-book access profile's call histories (cch.vcf
 * combined, ich.vcf incoming, och.vcf outgoing, mch.vcf missed) or one file per
 * log ("<n>.vcf", numbered from 0 in list order). Each log becomes one card of
 * the platform encoder's tree; VCardEncode turns the chain into text.
 *
 * Files are written whole (a temporary file renamed over the old one): a failed
 * export leaves the previous file as it was. The directory is a path under the
 * data root; a path that leaves the root is refused. No file is written when no
 * log of the kind exists. The combined export first rewrites the call-log
 * counts file (CUlogSvcAccountMgr::WriteLogCount), even when it then fails.
 *
 * Runs on the caller's task and takes no lock of its own.
 */
#ifndef CULOG_SVC_VCARD_H
#define CULOG_SVC_VCARD_H

#include "H/CUlogObject.h"
#include "H/UlogSvcList.h"
#include "KivAppFrmwk/KivVCard.h"
#include "UlogSvc.h"

class CUlog;

class CUlogSvcVcard : public CUlogObject
{
public:
    CUlogSvcVcard() = default;
    ~CUlogSvcVcard() override = default;

    BOOL MakeTotalVcardFileByType(UlogConvertType iVcfType, const char* pszFilePathName);
    BOOL MakeEachVcardFileByType(UlogConvertType iVcfType, const char* pszFilePathName);

    /* All logs of the iterator, in its order, into one text (allocated by VCardEncode; the caller frees
     * it with MemFreeTraceMultiHeap). nCount is only printed. */
    BOOL ConvertTotalCallLogs2VCard(IUlogIterator<CUlog>* pIter, char** ppObject, int nCount);
    BOOL ConvertEachCallLog2VCard(const CUlog& log, char** ppObject);

    /* One card for the log: display name (15, with the character-set and encoding parameters), number
     * (29), start time in the handset's local time (44, with the call's kind for call logs). FALSE, and
     * nothing built, for a log with none of them or when an allocation fails. */
    BOOL OneLog2OneVTree(const CUlog& log, _VTree** ppCard);
    BOOL CopyItemsAsVcardType(const CUlog& log, _VTree** ppCard);

    /* Releases the chain of cards at *ppVCard (each card's properties, their values and parameters) and
     * sets *ppVCard to NULL. A card without a property is reported (FALSE) but released all the same. */
    BOOL FreeVcard(_VTree** ppVCard);

private:
    /* The list of the export kind; bEach: every distinct log for the combined kind. NULL for another
     * kind or when the logs cannot be read. */
    IUlogList<CUlog>* __GetList(UlogConvertType iVcfType, bool bEach, const char* pszCaller);
    /* Writes the text as the file pszPath whole. */
    BOOL __WriteWhole(const char* pszDir, const char* pszPath, const char* pszText, const char* pszCaller);
};

#endif
