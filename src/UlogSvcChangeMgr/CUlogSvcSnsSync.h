/*
 * CUlogSvcSnsSync: turns the SNS service's messages into SNS logs. The service manager owns one and
 * subscribes it to the content-sync notifications of "kiv.content.sync.sns/message"; each element of a
 * notification is one message: a received one becomes one log of type 8 (ULOG_LOG_SNS_2) of its sender,
 * a sent one one log of type 7 (ULOG_LOG_SNS_1) per recipient, all with the message's sync id
 * "<thread id>.<message id>". A log is linked to the contact that holds its person id in the address
 * book; its display name is the name the message gives.
 *
 * Texts that do not fit their fields are cut at a character boundary of the local code page (subject
 * and body: of 16-bit text), never inside a character.
 *
 * Runs on the publisher's thread. The address book is read without the service lock; each log is
 * stored through the distinct log manager's Add, which takes it.
 */
#ifndef CULOG_SVC_SNS_SYNC_H
#define CULOG_SVC_SNS_SYNC_H

#include "KivAppSvcFramework/ContentSyncMgr.h"
#include "UlogSvc.h"

#include <vector>

class CUlogSnsLog;
class ISnsSvcMessage;

class CUlogSvcSnsSync : public IContentSyncSubscriber
{
public:
    CUlogSvcSnsSync() {}
    CUlogSvcSnsSync(const CUlogSvcSnsSync&) = delete;
    CUlogSvcSnsSync& operator=(const CUlogSvcSnsSync&) = delete;

    /* Stores every message of pData, in order. TRUE when every element was stored. FALSE when an element
     * is refused (not a message; without a thread or message id; or with a thread id so long that the sync
     * id would hold nothing of the message id): nothing of it is stored, and the later elements still
     * are; or when an Add fails: the notification ends there, and the rest of that message and the later
     * elements are not stored. */
    BOOL OnContentSync(const char* pszUri, void* pReserved,
                       const std::vector<IContentSyncData*>* pData) override;
    ~CUlogSvcSnsSync() override {}

private:
    /* The log's contact fields from the address book record holding its SNS person id: primary id, data
     * id, first and last name and caller-id picture; without such a record (or an address book that
     * cannot be read) ids 0 and empty texts. The display names are left as they are. */
    static void __SetContactInfo(CUlogSnsLog& log);
    /* The outcome of one element. */
    enum Result
    {
        STORED,
        REFUSED,
        ADD_FAILED
    };
    static Result __StoreMessage(const ISnsSvcMessage& message);
    /* The log of one correspondent (sender or recipient) of a message built in tmpl, stored. */
    static BOOL __AddForPerson(const CUlogSnsLog& tmpl, UlogLogType iLogType, const char* pszPersonId,
                               const char* pszName);
};

/* Text helpers of the SNS sync. */
class CSnsSvcUtil
{
public:
    /* pszSrc (narrow text of the local code page) as 16-bit text in a new buffer of 3 x length + 1 units,
     * to be freed with MemFreeTraceMultiHeap; NULL (reported) when it cannot be allocated. */
    static WCHAR* StrCopyW(const char* pszSrc);
    /* Copies at most nDestUnits-1 units of pmszSrc and terminates, never ending between the two halves
     * of a surrogate pair. */
    static void StrCutW(WCHAR* pmszDest, int nDestUnits, const WCHAR* pmszSrc);
};

#endif
