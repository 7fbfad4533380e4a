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
extern "C" {
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

/* One bound slot of a statement; see Db2StmtGetBindParamFields / Db2StmtGetBindResFields. */
typedef enum Db2FieldType
{
    DB2_FIELD_INT = 0,   /* pData points to a 64-bit signed integer (long long) */
    DB2_FIELD_TEXT = 1,  /* pData points to narrow text, nSize bytes including the terminator */
    DB2_FIELD_WTEXT = 2, /* pData points to 16-bit text, nSize units including the terminator */
    DB2_FIELD_REAL = 3   /* pData points to a double */
} Db2FieldType;

typedef struct Db2BindField
{
    int nType;         /* Db2FieldType */
    int nIndicator;    /* 0: value present; -1: SQL NULL (parameters default to -1 until filled) */
    unsigned int nSize; /* capacity of pData: bytes for TEXT, 16-bit units for WTEXT, 1 otherwise */
    void* pData;       /* owned by the statement; valid until Db2StmtDestroy */
} Db2BindField;

/* Runs a statement. Rows for a query (all read into the calling thread's current result),
 * rows changed for a write, 0 when nothing matched, negative on failure. */
int Db2QueryExV(const char* format, const KivArg* args, int nargs);
int Db2GetNextRow(void);          /* steps the current result; 0 ok, negative = no row / failure */
char* Db2GetColumn(int column);   /* text of a column of the current row; nvarchar columns give
                                     NUL-terminated 16-bit text (cast to WCHAR*); NULL for SQL NULL */
int Db2ClearRow(void);            /* releases the calling thread's current result */
int Db2QueryRecordCount(const char* sql); /* the number a count query gives; negative = failure */
BOOL Db2CheckTable(const char* tableName);
int Db2StmtCreateV(const char* format, const KivArg* args, int nargs); /* handle, or -1 */
Db2BindField* Db2StmtGetBindParamFields(int hStmt); /* one slot per "?" in order; NULL if none */
int Db2StmtGetBindParamCount(int hStmt);
int Db2StmtExecute(int hStmt);  /* like Db2QueryEx: rows of a query, rows changed, negative on failure */
Db2BindField* Db2StmtGetBindResFields(int hStmt); /* one slot per result column; NULL if none */
int Db2StmtGetBindResCount(int hStmt);
int Db2StmtGetNextRow(int hStmt); /* fills the result slots; 0 ok, negative = no row / failure */
int Db2StmtDestroy(int hStmt);
int Db2Commit(void);
int Db2Rollback(void);

/* ------------------------------------------------------------------ */
/* Registry files (INI text under the data root)                       */
/* ------------------------------------------------------------------ */
HOBJ RegLoad(const char* fileName, int mode); /* handle, or INVALID_HOBJ (-1); a new file reads empty */
int RegGetInt(HOBJ hReg, const char* section, const char* key, int defaultValue);
int RegGetString(HOBJ hReg, const char* section, const char* key, char* buffer, int bufferSize);
BOOL RegSetInt(HOBJ hReg, const char* section, const char* key, int value);
BOOL RegSetString(HOBJ hReg, const char* section, const char* key, const char* text);
BOOL RegFlush(HOBJ hReg); /* durable: temporary file, fsync, rename */
BOOL RegUnload(HOBJ hReg);
BOOL RegClean(const char* fileName); /* empties the file */

/* ------------------------------------------------------------------ */
/* Non-volatile settings                                               */
/* ------------------------------------------------------------------ */
int NvGetInt(int id);
BOOL NvWriteInt(int id, int value);

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

/* Created suspended; runs entry on its own thread after OsStartTask. */
HOBJ OsCreateTask(const char* name, int priority, int stackSize, OS_TASK_ENTRY entry, int flags, int param);
BOOL OsStartTask(HOBJ hTask);
BOOL OsDeleteTask(HOBJ hTask); /* waits for the task's entry to return when called from another thread */
HOBJ OsGetCurrentTask(void);   /* INVALID_HOBJ on a thread that is not a platform task */
BOOL OsSendMessage(HOBJ hTask, const OSMSG* message);
/* Receives a message for the calling task; timeout -1 waits without limit. 0 ok, negative on failure. */
int OsReceiveMessage(int timeoutMs, OSMSG* message, int flags);
void OsSleep(int milliseconds);

HOBJ OsCreateMutex(const char* name); /* recursive; handle or INVALID_HOBJ */
int OsAcquireMutexEx(HOBJ hMutex, const char* srcFile, int srcLine);
int OsReleaseMutex(HOBJ hMutex);
BOOL OsDeleteMutex(HOBJ hMutex);

/* ------------------------------------------------------------------ */
/* Files (paths are handset paths under the data root)                 */
/* ------------------------------------------------------------------ */
#define FM_ATTR_DIRECTORY 0x10u
#define FM_ATTR_NORMAL 0x80u

BOOL FmCreateDir(const char* path);
HOBJ FmOpenDir(const char* path);
BOOL FmCloseDir(HOBJ hDir);
BOOL FmGetFileAttributes(const char* path, unsigned int* attributes);
HOBJ FmCreateFile(const char* path, int mode);
HOBJ FmOpenFile(const char* path, int mode);
int FmWriteFile(HOBJ hFile, const void* data, unsigned int length); /* non-zero on success */
int FmReadFile(HOBJ hFile, void* buffer, unsigned int length);      /* bytes read, negative on failure */
BOOL FmCloseFile(HOBJ hFile);
BOOL FmRemoveFile(const char* path);
/* Host path of a handset path; FALSE when it would leave the data root or does not fit. */
BOOL FmGetHostPath(const char* path, char* hostPath, int hostPathSize);

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
unsigned int TmGetLocalTime(void);    /* now, in the handset zone's local seconds */
const char* TmGetTimeZoneName(void);  /* IANA name of the handset zone */
long long TmConvertUTC2TimeZoneLocal64(long long utcSeconds, const char* zoneName);

/* ------------------------------------------------------------------ */
/* Status, errors, class registry                                      */
/* ------------------------------------------------------------------ */
int PhsGetStatus(int item);
unsigned int SysGetLastError(void);
void SysSetLastError(unsigned int error);
int __SysRegisterClass(int module, unsigned int classId, void* classObject, int flags);
int SysUnregisterClass(int module, unsigned int classId);
void* SysGetClassObject(unsigned int classId); /* NULL when not registered */

/* ------------------------------------------------------------------ */
/* Diagnostics                                                         */
/* ------------------------------------------------------------------ */
#define SYS_DBG_FAIL 186u
#define SYS_DBG_PROGRESS 232u
#define SYS_DBG_DETAIL 65768u
#define SYS_DBG_DETAIL2 1048808u

void SysDebugPrintfV(unsigned int level, const char* format, const KivArg* args, int nargs);
void _SysAssertReport(int kind, const char* kindName, const char* condition, const char* srcFile, int srcLine);
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
char* AcStrncpyEx(char* dest, size_t destSize, const char* src, size_t count, const char* srcFile, int srcLine);
char* AcStrcatSEx(char* dest, size_t destSize, const char* src, const char* srcFile, int srcLine);
void* AcMemcpyEx(void* dest, size_t destSize, const void* src, size_t count, const char* srcFile, int srcLine);
void* AcMemsetEx(void* dest, size_t destSize, int value, size_t count, const char* srcFile, int srcLine);
size_t AcStrlen(const char* s);              /* 0 for NULL */
int AcStrcmp(const char* a, const char* b);  /* NULL sorts before any text */
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
