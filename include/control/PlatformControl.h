/*
 * The control interface of the emulated platform.
 *
 * Tests and tools drive the platform through these functions: where its files
 * live, what time it is, what the settings and the SIM say, what the contacts
 * service answers, which SNS messages arrive, and which faults to inject. C linkage.
 */
#ifndef KIV_PLATFORM_CONTROL_H
#define KIV_PLATFORM_CONTROL_H

#include "UlogSvc.h" /* BOOL, HOBJ */

#ifdef __cplusplus
extern "C"
{
#endif

    /* A window-manager event as the platform sent it (declared in the platform's KivGWESCore.h). */
    struct WMEVENT;

    /* ---- Whole platform ---------------------------------------------------- */
    /* Resets every platform library to its initial state (database closed, registry handles dropped,
     * settings and faults cleared, clock running, zone UTC, no captured diagnostics, no events) and sets
     * the data root. dataRoot NULL: $ULOG_ROOT, else "./ulog-data". The directory is created. */
    BOOL UlogCtlReset(const char* dataRoot);
    /* The same reset, pointing the platform at the data root read-only, for callers that only read: the
     * root is not created (a missing root reads as empty), nothing under it is created, written or removed
     * (file writes, registry flushes and settings fail with SYS_ERR_READ_ONLY), the database is opened
     * read-only (see KivCore.h) and diagnostics go to no file (capture and standard error still work).
     * FALSE when something other than a directory stands at the root's place. UlogCtlReset ends the mode. */
    BOOL UlogCtlResetReadOnly(const char* dataRoot);
    BOOL UlogCtlSetDataRoot(const char* dataRoot);
    const char* UlogCtlGetDataRoot(void);
    /* Returns once every registry flush and setting store made so far is on disk (they are synced in the
     * background), for callers that read the data root's files directly, and for a process that is about
     * to end. 0 when every store made since the last call (or reset) landed; -1 when one did not (a full
     * disk, a read-only root, a link or directory in a file's place, an injected fault): its cause is then
     * in SysGetLastError. Each failure is reported once. */
    int UlogCtlWaitForStores(void);

    /* ---- Clock and zone (KivCore) ----------------------------------------- */
    void UlogCtlFreezeClock(unsigned int utcSeconds);
    void UlogCtlAdvanceClock(int seconds); /* moves a frozen clock */
    void UlogCtlUnfreezeClock(void);
    BOOL UlogCtlSetTimeZone(const char* ianaName); /* FALSE for a zone ICU does not know */

    /* ---- Settings (KivCore) ------------------------------------------------ */
    void UlogCtlSetNvInt(int id, int value);
    void UlogCtlSetPhsStatus(int item, int value);

    /* ---- Diagnostics (KivCore) -------------------------------------------- */
    /* Messages with a level <= threshold are written to "<root>/System/debug.log" (default 186;
     * $ULOG_DEBUG_LEVEL sets it at start). With toStderr they go to standard error instead. The file is
     * kept under 1 MiB: a message that would take it past that first moves it to "debug.log.1" (replacing
     * the older one). A link in its way leading out of the root, or a link in the file's place, keeps
     * diagnostics out of the file (reported once in the capture, SYS_ERR_OUTSIDE_ROOT). */
    void UlogCtlSetDebugLevel(unsigned int threshold);
    void UlogCtlSetDebugToStderr(BOOL toStderr);
    /* Capture keeps every debug message (whatever its level) and every assertion report in memory.
     * Assertion reports read "<kindName>: <condition> (<srcFile>:<line>)" followed, when a message was
     * saved with _SysSaveAssertMsg, by " - <message>". */
    void UlogCtlCaptureDiagnostics(BOOL on);
    int UlogCtlGetDiagnosticCount(void);
    const char* UlogCtlGetDiagnostic(int index); /* valid until the next capture change or clear */
    BOOL UlogCtlDiagnosticsContain(const char* text);
    int UlogCtlGetAssertCount(void); /* assertion reports since the last clear */
    void UlogCtlClearDiagnostics(void);

    /* ---- Text (KivGWESCore) ------------------------------------------------ */
    /* The narrow local code page, by ICU converter name (default "UTF-8"). FALSE for an unknown name. */
    BOOL UlogCtlSetLocalCodePage(const char* icuName);

    /* ---- Timers and events (KivGWESCore) ---------------------------------- */
    /* While the clock is frozen, timers do not fire by themselves: this fires, in due order, every
     * started timer whose due time is at or before the frozen clock, and returns how many fired. */
    int UlogCtlRunDueTimers(void);
    int UlogCtlGetSentEventCount(void);
    BOOL UlogCtlGetSentEvent(int index, struct WMEVENT* event);
    void UlogCtlClearSentEvents(void);

    /* ---- Fault injection --------------------------------------------------- */
    void UlogCtlFailNextSql(int count);  /* the next N SQL statements fail */
    void UlogCtlFailSqlAt(int position); /* the position-th SQL statement from now fails (1: the next) */
    void UlogCtlFailNextFileWrites(int count); /* the next N file writes (and registry flushes) fail */
    void UlogCtlFailNextAllocs(int count);     /* the next N MemAllocTraceEx calls return NULL */
    void UlogCtlFailAllocAt(int position);     /* the position-th MemAllocTraceEx call from now returns NULL
                                                  (the service's objects come from there) */
    int UlogCtlPendingSqlFaults(void);         /* injected SQL faults not given yet (0: all used) */
    int UlogCtlPendingAllocFaults(void);       /* injected allocation faults not given yet */
    void UlogCtlFailMutexCreate(BOOL fail);    /* OsCreateMutex returns INVALID_HOBJ while set */
    int UlogCtlGetSqlStatementCount(void);     /* statements run since reset (for tests and benchmarks) */

/* ---- SIM (KivCommTAPI) and contacts (KivCtSvc) ------------------------ */
/* After a reset the handset holds a GSM SIM (card type 0) with country code "450", network code "05",
 * readable service tables and no advice of charge. */
#define ULOG_CTL_SIM_SERVICE_AOC 0x1u        /* advice of charge (ACM) in the SIM's service table */
#define ULOG_CTL_SIM_TABLE_UNREADABLE 0x100u /* SimGetSstInfo / SimGetUstInfo give NULL */
    /* Inserts a SIM: cardType 0 GSM SIM, 1 USIM, any other value a card the platform does not know;
     * mcc and mnc are decimal digit strings of 1 to 3 digits; serviceFlags ULOG_CTL_SIM_... bits.
     * FALSE (and the SIM unchanged) for a NULL, empty, too long or non-digit code. */
    BOOL UlogCtlSetSim(int cardType, const char* mcc, const char* mnc, unsigned int serviceFlags);
    /* Removes the SIM: no IMSI, no service tables, card type -1. */
    void UlogCtlRemoveSim(void);
    /* The answer of CtSvcGetDigitsCount2Compare for every number (8 after a reset). */
    void UlogCtlSetDigitsCount2Compare(int count);
    /* The address book lives in "<root>/System/contacts.db" (see KivCtSvc/KivCtSvc.h); a reset stops its
     * notification thread, forgets its listeners and closes it. While fail is set, every read of the
     * address book (records, searches, counts, enumerations) fails with SYS_ERR_IO; writes go on. Off
     * after a reset. */
    void UlogCtlFailContactReads(BOOL fail);

    /* ---- SNS messages (KivAppSvcFramework) ------------------------------- */
    /* One recipient of a sent message. */
    typedef struct UlogCtlSnsRecipient
    {
        const char* id;   /* the recipient's SNS person id */
        const char* name; /* the name the SNS service shows for the recipient */
    } UlogCtlSnsRecipient;

    /* One SNS message as the SNS service gives it. Texts are narrow text of the local code page, of any
     * length; NULL reads as empty text, except for subject and body, where NULL means "none". */
    typedef struct UlogCtlSnsMessage
    {
        const char* threadId;  /* the conversation */
        const char* messageId; /* the message within it */
        int spInfo;            /* the SNS provider */
        int kind;              /* 0 or 5 received, 1 sent; other values as a newer SNS service may give */
        const char* subject;
        const char* senderId; /* received messages: the sender's person id and name */
        const char* senderName;
        const UlogCtlSnsRecipient* recipients; /* sent messages: recipientCount recipients, in order */
        int recipientCount;
        const char* body;
        unsigned int time; /* when it was sent or received: UTC seconds since 1970-01-01 */
    } UlogCtlSnsMessage;

    /* Publishes one message as the SNS service does: a content-sync notification of
     * "kiv.content.sync.sns/message" whose list holds the message, delivered on the calling thread to
     * every subscriber (the started log service is one). TRUE when at least one subscriber was called
     * and every one answered that it stored the message; FALSE for a NULL message, a negative
     * recipientCount, NULL recipients with a positive count, no subscriber, or a subscriber that did not
     * store all of it (what it stored before its failure stays stored). */
    BOOL UlogCtlPublishSnsMessage(const UlogCtlSnsMessage* message);

    /* ---- Locale (KivAppFrmwk) --------------------------------------------- */
    /* Sets the handset's locale by ICU name ("en_US", "de_DE", ...) and the default date and time format
     * codes that locale suggests; FALSE (nothing changed) for a locale ICU has no data for. At reset the
     * locale is $ULOG_LOCALE when ICU knows it, else "en_US". */
    BOOL UlogCtlSetLocale(const char* localeName);
    /* The user's default date and time format codes (flag words, see KivAppFrmwk/KivAppFrmwk.h). */
    void UlogCtlSetDefaultDateFormat(int code);
    void UlogCtlSetDefaultTimeFormat(int code);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* KIV_PLATFORM_CONTROL_H */
