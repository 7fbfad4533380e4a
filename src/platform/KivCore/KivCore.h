/*
 * KivCore: the handset platform's core library, emulated on Linux.
 *
 * SQL engine, registry files, non-volatile settings, tasks and mutexes,
 * files, time, class registry, diagnostics, memory and bounded text.
 * Plain functions have C linkage. The printf-style functions are C++
 * templates over C-linkage cores taking a KivArg array (see KivTypes.h), so
 * a format can never read an argument that was not passed.
 *
 * Handset paths ("/User/...", "Ulog.ini", "System/ulog.db") all live under
 * one host directory, the data root (see control/PlatformControl.h).
 */
#ifndef KIV_CORE_H
#define KIV_CORE_H

#include "KivCore/KivTypes.h"

#ifdef __cplusplus
extern "C"
{
#endif

    /* ------------------------------------------------------------------ */
    /* Formatting core                                                     */
    /* ------------------------------------------------------------------ */

    /*
     * printf-style formatting into a bounded buffer. Conversions: %d %i %u %x %X
     * %o %c %s %S (16-bit text) %f %g %e %p %%, with flags, width, precision and
     * the length modifiers h hh l ll z (accepted and ignored: the argument's own
     * type decides). A conversion without an argument left is copied literally,
     * so with nargs == 0 only "%%" folds to "%". Writes at most destSize-1 bytes
     * and always terminates when destSize > 0. Returns the length the full text
     * would have (like snprintf), so dest may be NULL with destSize 0.
     */
    int AcFormatV(char* dest, size_t destSize, const char* format, const KivArg* args, int nargs);

    /* ------------------------------------------------------------------ */
    /* SQL engine (one database under the data root)                       */
    /* ------------------------------------------------------------------ */
    /*
     * One SQLite database, "System/ulog.db" under the data root, opened on first use (WAL journal,
     * synchronous=NORMAL, busy timeout). Every call is serialised; each statement commits by itself.
     * The way to the database may pass links that stay under the root; a link leading out of it (at any
     * level, dangling too) and a link in the place of the database or of its -wal, -shm or -journal file
     * make every call fail (SYS_ERR_OUTSIDE_ROOT, or SYS_ERR_BAD_PATH for a link that stays inside) with a
     * level-186 report, and nothing is created.
     *
     * Read-only data root (UlogCtlResetReadOnly): the database is opened read-only and nothing is created
     * (no folder, no database file; the -wal and -shm files are only made where SQLite can and needs to).
     * A missing database reads as an empty one. Writes fail with SYS_ERR_READ_ONLY, except the creation of
     * temporary tables, which live in memory for the connection.
     *
     * Statement text: Db2QueryEx and Db2StmtCreate format their text with their arguments (AcFormatV
     * rules). A ready text (no arguments) is never formatted: only "%%" folds to "%", any other '%' stays
     * as written. Db2QueryRecordCount treats its text as a ready text too.
     *
     * Dialect: besides SQLite's own syntax ("limit a, b", "between", integer division on integer
     * columns, type words such as nvarchar(309) and "int primary key"), the engine accepts
     * "truncate table T" (empties T), n'...' / N'...' literals, and a derived table with a column list,
     * "(select a, b, c from ...) As A(x, y)", which names the first columns of the inner select list
     * (fewer names than columns allowed; the inner "order by" may use the names; the alias may be the
     * name of a real table; the inner list must not be "*"). Quoted text is never rewritten.
     *
     * Text columns: narrow text for every column except those declared nvarchar/nchar/ntext, which
     * hold 16-bit text. Only one statement per call; trailing text after it is refused.
     *
     * Results: Db2QueryEx returns, for a query, the number of rows (0 when none); all rows are read
     * into the calling thread's current result (other threads have their own), which replaces the
     * previous one and lives until Db2ClearRow or the thread's next query; a write leaves the current
     * result alone and returns the number of rows changed (0 when nothing matched); other statements
     * (create, index) return 0; every failure returns -1 with a level-186 diagnostic. Pointers from
     * Db2GetColumn stay valid until the thread's current result is released or replaced.
     *
     * Statement counting and faults (control interface): Db2QueryEx, Db2QueryRecordCount,
     * Db2StmtExecute and Db2CheckTable each count as one statement run; UlogCtlFailNextSql(n) makes the
     * next n calls of Db2QueryEx, Db2QueryRecordCount, Db2StmtCreate and Db2StmtExecute return -1
     * (a failed call is not counted).
     */

    /* One bound slot of a statement; see Db2StmtGetBindParamFields / Db2StmtGetBindResFields.
     *
     * Parameter slots ("?" in order) are typed and sized by the column the "?" stands for: the column it
     * is compared with (col = ?, ? = col, col like ?, col between ?), assigned to (set col = ?) or
     * inserted into (its position in "insert into T values (...)" or T's explicit column list):
     * nvarchar(N) gives WTEXT of N+1 units, varchar(N) TEXT of N+1 bytes, an integer type INT, a
     * floating type REAL. A "?" whose column is unknown gets WTEXT of 1024 units. A parameter whose
     * indicator is -1 binds SQL NULL; TEXT and WTEXT values end at their terminator or at nSize.
     * Slots keep their values across executions.
     *
     * Result slots (one per result column) follow the declared type of the column in the same way:
     * integers as 64-bit values in pData, text as narrow or 16-bit text by the declared type, cut to
     * nSize-1 on a character boundary and terminated. An expression column (no declared type, e.g.
     * max(x)) is narrow TEXT whose buffer grows to fit the row: its pData and nSize may change at each
     * Db2StmtGetNextRow. nIndicator is -1 for SQL NULL, 0 otherwise.
     */
    typedef enum Db2FieldType
    {
        DB2_FIELD_INT = 0,   /* pData points to a 64-bit signed integer (long long) */
        DB2_FIELD_TEXT = 1,  /* pData points to narrow text, nSize bytes including the terminator */
        DB2_FIELD_WTEXT = 2, /* pData points to 16-bit text, nSize units including the terminator */
        DB2_FIELD_REAL = 3,  /* pData points to a double */
        DB2_FIELD_NULL = 4   /* SQL NULL; only as a result of Db2GetColumnType */
    } Db2FieldType;

    typedef struct Db2BindField
    {
        int nType;          /* Db2FieldType */
        int nIndicator;     /* 0: value present; -1: SQL NULL (parameters default to -1 until filled) */
        unsigned int nSize; /* capacity of pData: bytes for TEXT, 16-bit units for WTEXT, 1 otherwise */
        void* pData; /* owned by the statement; valid until Db2StmtDestroy (see above for expressions) */
    } Db2BindField;

    /* Runs a statement. Rows for a query (all read into the calling thread's current result),
     * rows changed for a write, 0 when nothing matched, negative on failure. */
    int Db2QueryExV(const char* format, const KivArg* args, int nargs);
    int Db2GetNextRow(void);        /* steps the current result; 0 ok, negative = no row / failure */
    char* Db2GetColumn(int column); /* text of a column of the current row; nvarchar columns give
                                       NUL-terminated 16-bit text (cast to WCHAR*); NULL for SQL NULL */
    int Db2ClearRow(void);          /* releases the calling thread's current result; 0 */
    /* Typed reads of the current row. A result keeps integers as integers, so these read them without
     * a text round trip; Db2GetColumn gives the decimal text of an integer on request.
     * Db2GetColumnType: what the column holds in this row (DB2_FIELD_INT, _REAL, _TEXT, _WTEXT for an
     * nvarchar column, _NULL for SQL NULL); -1 without a current row or for a column out of range.
     * Db2GetColumnInt64: the same result, and *pValue set for an integer, a real (toward zero,
     * saturated) or narrow text (read as strtoll reads it); left untouched otherwise.
     * Db2GetColumnInt: TRUE with the value (saturated to the range of int, as AcAtoi saturates) where
     * Db2GetColumnInt64 sets one; FALSE, *pValue untouched, otherwise. */
    int Db2GetColumnType(int column);
    int Db2GetColumnInt64(int column, long long* pValue);
    BOOL Db2GetColumnInt(int column, int* pValue);
    int Db2QueryRecordCount(
        const char* sql); /* the first column of the first row (0 when no row); negative = failure */
    BOOL Db2CheckTable(const char* tableName); /* TRUE when the table exists (name compared without case) */
    BOOL Db2IsReadOnly(void);                  /* TRUE when the data root was given read-only (see above) */
    int Db2StmtCreateV(const char* format, const KivArg* args, int nargs); /* handle (1 upward), or -1 */
    Db2BindField* Db2StmtGetBindParamFields(int hStmt); /* one slot per "?" in order; NULL if none */
    int Db2StmtGetBindParamCount(int hStmt);
    int Db2StmtExecute(int hStmt); /* like Db2QueryEx: rows of a query (kept by the statement), rows changed,
                                      negative on failure */
    Db2BindField* Db2StmtGetBindResFields(int hStmt); /* one slot per result column; NULL if none */
    int Db2StmtGetBindResCount(int hStmt);
    int Db2StmtGetNextRow(int hStmt); /* fills the result slots; 0 ok, negative = no row / failure */
    int Db2StmtDestroy(int hStmt);    /* 0, or -1 for an unknown handle */
    int Db2Commit(void);   /* 0; commits an open transaction, harmless outside one; -1 on failure */
    int Db2Rollback(void); /* 0; rolls back an open transaction, harmless outside one; -1 on failure */
    /* Closes the database: the write-ahead journal is copied into it whole and emptied first (0). The
     * next call of the engine opens it again. While a batch is open or a statement handle lives, it stays
     * open (1). The end of the process closes it too; a statement after that fails. (A commit never
     * copies the journal into the database: a thread of the engine does, with a connection of its own,
     * once the journal has grown past 256 pages.) */
    int Db2Close(void);
    /* Batches: from Db2BeginBatch to its matching Db2EndBatch every statement, of any thread, runs in one
     * transaction, written to the database once at the end: all of it or none of it. Batches nest (only
     * the outermost one commits). The thread that began the outermost batch owns it:
     *   - a failed statement of the owner, Db2Rollback or Db2AbortBatch fails the batch; from then on the
     *     owner's statements are refused (-1, nothing runs) until the batch's end, which rolls the whole
     *     transaction back and returns -1 (an inner end of a failed batch returns -1 too);
     *   - inside a batch Db2Commit waits for the batch's end (0).
     * Db2BeginBatch returns 0, or -1 when no batch began (the database cannot be opened, or the write lock
     * was not had within the busy wait: SYS_ERR_DB_BUSY); nothing then runs in a transaction, so the caller
     * must not go on as if it did. Db2EndBatch returns 0 once committed, -1 when the batch failed, could
     * not be committed (it is then rolled back) or was never begun; the thread's last error keeps the
     * cause. Db2AbortBatch returns -1 (and changes nothing) outside a batch or on a thread that does not
     * own it. */
    int Db2BeginBatch(void);
    int Db2EndBatch(void);
    int Db2AbortBatch(void);

    /* ------------------------------------------------------------------ */
    /* Registry files (INI text under the data root)                       */
    /* ------------------------------------------------------------------ */
    /* Handles are thread-safe; handles of the same file share one loaded copy. Section and key names are
     * kept exactly (a section may not contain ']' or a line break, a key may not be empty, start with '['
     * or ';', or contain '=' or a line break). Values written are visible at once; only RegFlush stores.
     *
     * Several processes may use one file. A loaded copy is the file as last read with this process's
     * changes applied in order, and RegFlush stores those changes, not the copy: they are applied to
     * whatever the file holds when it is written (under the file's lock, "<file>.lock" beside it, which
     * only writers take), so a value another process stored meanwhile is kept unless this process set the
     * same key, and additions of several processes all count. Reads see what other processes stored once
     * it is on disk (the copy is read again when the file was replaced; changes not yet stored apply on
     * top). A link or a directory where the file must be is refused with a level-186 report and
     * SYS_ERR_OUTSIDE_ROOT (a link) or SYS_ERR_IO in SysGetLastError; as nothing can be stored there, it
     * also counts as a failed store (UlogCtlWaitForStores). */
    HOBJ RegLoad(const char* fileName, int mode); /* handle, or INVALID_HOBJ (-1); a new file reads empty;
                                                     every mode opens for reading and writing; reading
                                                     creates nothing under the data root */
    int RegGetInt(HOBJ hReg, const char* section, const char* key, int defaultValue); /* default when missing
                                                     or not an integer; values up to 2^32-1 (RegSetUInt)
                                                     read back bit-exact */
    /* Copies the value (bounded, terminated); returns its length, or -1 when missing (buffer emptied). */
    int RegGetString(HOBJ hReg, const char* section, const char* key, char* buffer, int bufferSize);
    BOOL RegSetInt(HOBJ hReg, const char* section, const char* key, int value);
    BOOL RegSetUInt(HOBJ hReg, const char* section, const char* key,
                    unsigned int value); /* written unsigned */
    BOOL RegSetString(HOBJ hReg, const char* section, const char* key, const char* text);
    /* Adds delta to the value as stored when the change is written (32-bit, wrapping; a missing or
     * non-integer value counts 0): two processes adding to one key both count. RegAddInt writes the
     * result signed, RegAddUInt unsigned. */
    BOOL RegAddInt(HOBJ hReg, const char* section, const char* key, int delta);
    BOOL RegAddUInt(HOBJ hReg, const char* section, const char* key, unsigned int delta);
    /* Gives the key this value (written unsigned) only where the file has no such key when the change is
     * written: initialises a file without undoing what another process stored first. */
    BOOL RegInitUInt(HOBJ hReg, const char* section, const char* key, unsigned int value);
    /* Empties the loaded copy, and the file when the change is written unless the file then holds value
     * under section/key (another process has re-initialised it first). Stored by the next RegFlush,
     * together with what follows it, so no reader sees the file empty in between. */
    BOOL RegCleanUnless(HOBJ hReg, const char* section, const char* key, int value);
    /* Stores the changes durably, with the durability of the log database (write-ahead journal,
     * synchronous=NORMAL): the file is replaced in the background moments later (a temporary file of this
     * process, data sync, rename), so it is always either the old or the new one, never torn, and a crash
     * right after a flush may lose that flush. TRUE with nothing to store. FALSE (the cause in
     * SysGetLastError: SYS_ERR_DISK_FULL, SYS_ERR_READ_ONLY, ...) on an injected write fault, or when the
     * file's previous flush could not be written (reported; the changes stay: flush again); the file then
     * stays as it was. A failed flush also makes the control interface's UlogCtlWaitForStores fail. */
    BOOL RegFlush(HOBJ hReg);
    BOOL RegUnload(HOBJ hReg); /* drops the handle; changes not flushed are lost with the last handle, and
                                  what was flushed is on disk once the last handle is dropped */
    BOOL RegClean(const char* fileName); /* empties the file (stored like RegFlush) and every loaded copy */
/* What a handle's file held when it was last read from disk: -1 for a bad handle. */
#define REG_FILE_MISSING 0 /* no file: a new one */
#define REG_FILE_READ 1    /* read whole */
#define REG_FILE_DAMAGED                                                                                     \
    2 /* it holds NUL bytes or lines that are no section, value or comment                                   \
         (the readable lines are read) */
    int RegGetFileState(HOBJ hReg);
    /* Renames the file, as the handle last read it, to its name followed by suffix (replacing an older
     * one there), under the file's lock; the loaded copy then reads as a new file (changes not yet stored
     * stay). FALSE when the file was replaced or removed by another process since it was read (the copy
     * then shows what is there now) or cannot be renamed (reported, cause in SysGetLastError). */
    BOOL RegSetAside(HOBJ hReg, const char* suffix);

    /* ------------------------------------------------------------------ */
    /* Non-volatile settings                                               */
    /* ------------------------------------------------------------------ */
    /* Stored in "System/nv.ini" under the data root ("[Nv]" section, one "id=value" line per item), like
     * RegFlush stores: the changes of several processes are merged, reads see other processes' stores.
     * Every item reads 0 until written. */
    int NvGetInt(int id);
    BOOL NvWriteInt(int id, int value); /* TRUE once stored; when the store fails the old value stays */
    /* Adds delta to the item as stored when the change is written (32-bit, wrapping): additions of several
     * processes all count. TRUE once stored; when the store fails nothing is added. */
    BOOL NvAddInt(int id, int delta);

    /* ------------------------------------------------------------------ */
    /* Changes a library keeps pending before it stores them               */
    /* ------------------------------------------------------------------ */
    /* A library that applies its changes to registry files or settings behind its callers' backs (on a
     * task of its own) registers one function that applies, on the calling thread, every change handed
     * over so far, storing it (RegFlush, Nv*) before it returns. The platform calls it with none of its
     * own locks held wherever whatever was handed over must count as stored: before the control
     * interface waits for stores (UlogCtlWaitForStores), before a reset of the platform or a change of
     * the data root (so the changes land under the root they were made for), and at process exit before
     * the store writer writes its last queue (later stores are refused). It is never called from inside
     * a platform function that reads files. One function per process: a new one replaces the old, NULL
     * removes it (do so before the function's data goes away). */
    typedef void (*SYS_PENDING_STORES_FUNC)(void);
    void SysSetPendingStoresFunc(SYS_PENDING_STORES_FUNC pfnApply);

    /* ------------------------------------------------------------------ */
    /* Tasks, messages, mutexes                                            */
    /* ------------------------------------------------------------------ */
    typedef struct OSMSG
    {
        int nMsgId;
        int nParam1;
        int nParam2;
        void* pData;
    } OSMSG;

    typedef void (*OS_TASK_ENTRY)(void);

    /* Created suspended; runs entry on its own thread after OsStartTask (a second start fails).
     * Deleting a task ends it at its next wait (OsReceiveMessage, OsSleep, or waiting for a mutex): its
     * stack unwinds, running destructors, and the mutexes it still owns are given up. A wait for messages
     * first fails once instead (negative), so that a task that returns on that failure just returns.
     * Tasks end the same way when the platform is reset or the library unloads. */
    HOBJ OsCreateTask(const char* name, int priority, int stackSize, OS_TASK_ENTRY entry, int flags,
                      int param);
    BOOL OsStartTask(HOBJ hTask);
    BOOL OsDeleteTask(HOBJ hTask); /* from another thread: waits (up to 5 s) for the task to end */
    HOBJ OsGetCurrentTask(void);   /* INVALID_HOBJ on a thread that is not a platform task */
    BOOL OsSendMessage(HOBJ hTask, const OSMSG* message); /* copies the message into the task's queue */
    /* Receives the oldest message of the calling task's queue; timeout -1 waits without limit.
     * 1 when a message was received, 0 on timeout, negative on failure (not called on a task, or the task
     * is being deleted: it should return). */
    int OsReceiveMessage(int timeoutMs, OSMSG* message, int flags);
#define OS_ERR_TASK_ENDING 0x80020006u /* OsReceiveMessage failed: the calling task is being deleted */
    void OsSleep(int milliseconds);

    /* Recursive: the owning thread may acquire again, each acquisition paired with one release; any other
     * thread waits until the mutex is free. Creating a name that exists gives a new handle on the same
     * mutex; the mutex goes with its last handle. */
    HOBJ OsCreateMutex(const char* name); /* handle or INVALID_HOBJ */
    int OsAcquireMutexEx(HOBJ hMutex, const char* srcFile,
                         int srcLine); /* 0 once owned, negative on failure */
    int OsReleaseMutex(HOBJ hMutex);   /* 0 ok; negative for a bad handle or a thread that does not own it */
    BOOL OsDeleteMutex(HOBJ hMutex);

/* ------------------------------------------------------------------ */
/* Files (paths are handset paths under the data root)                 */
/* ------------------------------------------------------------------ */
#define FM_ATTR_DIRECTORY 0x10u
#define FM_ATTR_NORMAL 0x80u

    /* "/" is the data root; relative paths live under it too. A path that would leave the root (through
     * ".." or a link, even a dangling one) fails. Failures leave a code in SysGetLastError. */
    BOOL FmCreateDir(const char* path); /* creates missing parent directories too; TRUE when it exists */
    HOBJ FmOpenDir(const char* path);   /* a handle when the directory exists, else INVALID_HOBJ */
    BOOL FmCloseDir(HOBJ hDir);
    BOOL FmGetFileAttributes(const char* path,
                             unsigned int* attributes); /* TRUE when a file or directory
                                                           exists: FM_ATTR_NORMAL or _DIRECTORY */
    /* Create modes (missing parent directories are created):
     *   1  write only, created or truncated
     *   2  read and write, created or truncated
     *   4  write only, created new (fails when the file exists)
     *   20 read and write, created or truncated
     *   22 read and write, appending, created when missing (content kept)
     * Open modes (the file must exist; content kept):
     *   1  write only, from the start      2  read only
     *   20 read and write, from the start  22 read and write, every write appended at the end
     * Any other mode fails. */
    HOBJ FmCreateFile(const char* path, int mode);
    HOBJ FmOpenFile(const char* path, int mode);
    int FmWriteFile(HOBJ hFile, const void* data, unsigned int length); /* non-zero on success; an injected
                                                                           write fault writes nothing */
    int FmReadFile(HOBJ hFile, void* buffer, unsigned int length);      /* bytes read, negative on failure */
    BOOL FmCloseFile(HOBJ hFile);
    BOOL FmRemoveFile(const char* path);
    /* Renames the file at oldPath (a handset path under the data root) to newPath in one step, replacing a
     * file there: its data is synced to disk first and the directory after, so a reader or a crash sees
     * the old file or the new one whole. FALSE, both paths as they were, when oldPath is no file, a
     * directory stands at newPath, a path leaves the data root, or the host refuses; the cause in
     * SysGetLastError. */
    BOOL FmRenameFile(const char* oldPath, const char* newPath);
    /* Host path of a handset path; FALSE when it would leave the data root or does not fit. */
    BOOL FmGetHostPath(const char* path, char* hostPath, int hostPathSize);
    /* Points "/" at the host directory hostDir (created when missing) for reading and writing: the
     * database and the settings are opened anew under it at their next use. FALSE, leaving the data root
     * as it was, for a NULL or empty name (SYS_ERR_BAD_PATH) or when no directory can stand there
     * (SYS_ERR_IO). */
    BOOL FmSetRootDir(const char* hostDir);

    /* ------------------------------------------------------------------ */
    /* Time                                                                */
    /* ------------------------------------------------------------------ */
    /* A calendar record (24 bytes). month 1-12, day 1-31. */
    typedef struct TM_DATETIME
    {
        int nYear;
        int nMonth;
        int nDay;
        int nHour;
        int nMinute;
        int nSecond;
    } TM_DATETIME;

    unsigned int TmGetTime(void); /* now, UTC seconds since 1970-01-01 */
    void TmSecondsToDateTime(unsigned int seconds, TM_DATETIME* dateTime);
    void TmSecondsToDateTime64(long long seconds, TM_DATETIME* dateTime);
    unsigned int TmDateTimeToSeconds(const TM_DATETIME* dateTime);
    unsigned int TmGetLocalTime(void);   /* now, in the handset zone's local seconds */
    const char* TmGetTimeZoneName(void); /* IANA name of the handset zone */
    long long TmConvertUTC2TimeZoneLocal64(long long utcSeconds, const char* zoneName);

    /* ------------------------------------------------------------------ */
    /* Status, errors, class registry                                      */
    /* ------------------------------------------------------------------ */
    int PhsGetStatus(int item); /* 0 unless set through the control interface */
    /* The code of the calling thread's last platform failure (SYS_ERR_...); a success does not clear it,
     * so a caller that wants to know why its own step failed sets SYS_ERR_NONE first. */
    unsigned int SysGetLastError(void); /* per thread */
    void SysSetLastError(unsigned int error);
#define SYS_ERR_NONE 0u
#define SYS_ERR_BAD_PATH 0x80010001u /* a malformed path, or one that leaves the data root */
#define SYS_ERR_BAD_HANDLE 0x80010002u
#define SYS_ERR_IO 0x80010003u /* an input/output error of the host */
#define SYS_ERR_BAD_MODE 0x80010004u
#define SYS_ERR_WRITE_FAULT 0x80010005u  /* an injected write fault (control interface) */
#define SYS_ERR_DISK_FULL 0x80010006u    /* no space left for a file or the database */
#define SYS_ERR_READ_ONLY 0x80010007u    /* the data root (or the file) cannot be written */
#define SYS_ERR_DB_BUSY 0x80010008u      /* the database stayed locked by another process past the wait */
#define SYS_ERR_DB_CORRUPT 0x80010009u   /* the database file is not a database, or is damaged */
#define SYS_ERR_DB_CANT_OPEN 0x8001000Au /* the database cannot be opened (missing, or not a file) */
#define SYS_ERR_NO_MEMORY 0x8001000Bu
#define SYS_ERR_OUTSIDE_ROOT 0x8001000Cu /* a link on the path leads outside the data root */
#define SYS_ERR_SQL 0x8001000Du          /* a statement failed for another reason (syntax, constraint) */
    /* 0 on success; -1 when the identifier is already registered, -2 for a null object. */
    int __SysRegisterClass(int module, unsigned int classId, void* classObject, int flags);
    int SysUnregisterClass(int module, unsigned int classId); /* 0 on success; -1 when not registered */
    void* SysGetClassObject(unsigned int classId);            /* NULL when not registered */

/* ------------------------------------------------------------------ */
/* Diagnostics                                                         */
/* ------------------------------------------------------------------ */
#define SYS_DBG_FAIL 186u
#define SYS_DBG_PROGRESS 232u
#define SYS_DBG_DETAIL 65768u
#define SYS_DBG_DETAIL2 1048808u

    void SysDebugPrintfV(unsigned int level, const char* format, const KivArg* args, int nargs);
    void _SysAssertReport(int kind, const char* kindName, const char* condition, const char* srcFile,
                          int srcLine);
    void _SysSaveAssertMsgV(const char* format, const KivArg* args, int nargs);

    /* ------------------------------------------------------------------ */
    /* Memory                                                              */
    /* ------------------------------------------------------------------ */
    void* MemAllocTraceEx(int heap, size_t size, const char* srcFile, int srcLine);
    void MemFreeTraceMultiHeap(void* p, const char* srcFile, int srcLine);

    /* ------------------------------------------------------------------ */
    /* Bounded narrow text                                                 */
    /* ------------------------------------------------------------------ */
    int AcSprintfSExV(char* dest, size_t destSize, const char* srcFile, int srcLine, const char* format,
                      const KivArg* args, int nargs);
    char* AcStrcpySEx(char* dest, size_t destSize, const char* src, const char* srcFile, int srcLine);
    /* Copies at most count bytes of src, bounded by destSize, always terminated. */
    char* AcStrncpyEx(char* dest, size_t destSize, const char* src, size_t count, const char* srcFile,
                      int srcLine);
    char* AcStrcatSEx(char* dest, size_t destSize, const char* src, const char* srcFile, int srcLine);
    void* AcMemcpyEx(void* dest, size_t destSize, const void* src, size_t count, const char* srcFile,
                     int srcLine);
    void* AcMemsetEx(void* dest, size_t destSize, int value, size_t count, const char* srcFile, int srcLine);
    size_t AcStrlen(const char* s);             /* 0 for NULL */
    int AcStrcmp(const char* a, const char* b); /* NULL sorts before any text */
    char* AcStrstr(const char* haystack, const char* needle);
    char* AcStrchr(const char* s, int c);
    int AcAtoi(const char* s); /* 0 for NULL */
    double AcAtof(const char* s);

#ifdef __cplusplus
} /* extern "C" */

/* printf-style front ends (C++ only). */
template <class... A> int Db2QueryEx(const char* format, A... args)
{
    KIV_PACK_ARGS(packed, args);
    return Db2QueryExV(format, packed, (int)sizeof...(A));
}
template <class... A> int Db2StmtCreate(const char* format, A... args)
{
    KIV_PACK_ARGS(packed, args);
    return Db2StmtCreateV(format, packed, (int)sizeof...(A));
}
template <class... A> void SysDebugPrintf(unsigned int level, const char* format, A... args)
{
    KIV_PACK_ARGS(packed, args);
    SysDebugPrintfV(level, format, packed, (int)sizeof...(A));
}
template <class... A> void _SysSaveAssertMsg(const char* format, A... args)
{
    KIV_PACK_ARGS(packed, args);
    _SysSaveAssertMsgV(format, packed, (int)sizeof...(A));
}
template <class... A>
int AcSprintfSEx(char* dest, size_t destSize, const char* srcFile, int srcLine, const char* format, A... args)
{
    KIV_PACK_ARGS(packed, args);
    return AcSprintfSExV(dest, destSize, srcFile, srcLine, format, packed, (int)sizeof...(A));
}
#endif

#endif /* KIV_CORE_H */
