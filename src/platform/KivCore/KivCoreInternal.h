/* Internal hooks of KivCore for the control interface and the other platform libraries. */
#ifndef KIVCORE_INTERNAL_H
#define KIVCORE_INTERNAL_H

#include "KivCore/KivTypes.h"

#include <memory>
#include <cstddef>
#include <string>

namespace kiv::core
{
/* Back to the state at load (the data root is kept). */
void Reset();
/* The host directory behind the handset's "/" (the database is closed, settings are read again).
 * Created when missing, unless readOnly: a read-only root is only read (a missing one reads as empty),
 * nothing is created or written under it and the database is opened read-only. What a library keeps
 * pending (SysSetPendingStoresFunc) and what is queued is stored under the old root first; called only
 * at a top level, with no platform lock held. */
bool SetDataRoot(const std::string& dir, bool readOnly = false);
std::string DataRoot();
bool DataRootReadOnly();

enum PathStatus
{
    PATH_OK,
    PATH_BAD,         /* empty, a ".." above "/", or a loop of links */
    PATH_OUTSIDE_ROOT /* a link on the way (at any level, dangling too) leads out of the root */
};
/* Host path of a handset path ("/User/x", "Ulog.ini", "System/ulog.db"): the root joined with the
 * path's components (hostPath). Every link met on the way is followed as the host would follow it, a
 * dangling one by its target's name, and must lead to a place under the root; realPath (when given)
 * receives the path with every link resolved. Links under the root that stay under it are allowed. */
PathStatus ConfinePath(const std::string& handsetPath, std::string& hostPath,
                       std::string* realPath = nullptr);
/* ConfinePath(...) == PATH_OK. */
bool ResolvePath(const std::string& handsetPath, std::string& hostPath);

/* Per-module resets that Reset() calls, each defined beside its module. */
void ResetSql();      /* closes the database, clears faults and the statement count */
void ResetRegistry(); /* drops every registry handle (unflushed values are lost) */
void ResetNv();       /* settings back to their defaults (re-read from the data root) */
void ResetOs();       /* mutexes and tasks, mutex-creation fault */
void ResetFiles();    /* open files, write faults */
void ResetSys();      /* class registry, status items, last error */
void ResetTime();     /* clock running, zone UTC */
void ResetDiag();     /* level from the environment, capture off and cleared */
void ResetMemory();   /* allocation faults */

/* After a long list is released (rows of many blocks read and dropped): drops the storage the calling
 * thread keeps for its next query result and hands the heap's free pages back to the system, which the
 * allocator would otherwise keep dirty. Costs the page faults of the next long read; not for every
 * short one. */
void ReturnFreeMemory();

/* File-write fault injection shared by the file and registry modules: true when this write must fail. */
bool ConsumeFileWriteFault();

/* Hooks of the registry, settings, task, file and status modules (for the control interface). */
void SetFileWriteFaults(int count);     /* the next count file writes and registry flushes fail */
void SetMutexCreateFault(bool fail);    /* OsCreateMutex gives INVALID_HOBJ while set */
void SetPhsStatus(int item, int value); /* what PhsGetStatus(item) answers */
/* Writes the whole buffer to the descriptor (again after an interruption); false on an error. */
bool WriteAll(int fd, const char* data, size_t length);

/* ---- Stored files (registry files, settings): the store writer --------------------------------- */

/* What tells one content of a file on disk from another: every store replaces the file, so a store
 * made by any process changes it. */
struct FileIdentity
{
    bool bExists = false;
    unsigned long long nDevice = 0;
    unsigned long long nInode = 0;
    long long nSize = 0;
    long long nModifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

/* A file kept by merging. Several processes may change one file: a store is not a snapshot of this
 * process's copy but its changes, applied by the store writer to whatever the file holds when it is
 * written, under the file's inter-process lock. */
class IStoredFile
{
public:
    virtual ~IStoredFile() = default;
    /* Store writer, holding the file's lock: the new content, made of the current one (empty when the
     * file is missing) and the changes handed over so far; false when there is nothing to write. */
    virtual bool Merge(const std::string& current, std::string& content) = 0;
    /* Store writer, still holding the lock, after a Merge that gave content: bWritten tells whether the
     * new content is in place (with this identity); when it is not, the changes stay to be stored. */
    virtual void Merged(bool bWritten, const FileIdentity& identity) = 0;
};

/* Queues a store of the file on the process's store writer, which calls its Merge and writes the
 * result durably (temporary file of its own, data sync, rename) moments later; a file queued twice is
 * merged once. False, with a level-186 report and the cause in SysGetLastError, when a directory or a
 * link stands where the file or its lock file must go, or when the file's previous store could not be
 * written (the file is then not queued: store again). */
bool StoreFile(const std::string& hostPath, const std::shared_ptr<IStoredFile>& file);
/* Runs the function registered with SysSetPendingStoresFunc, if any, on the calling thread. Only at the
 * top-level points that function is documented for, never with a platform lock held. */
void ApplyPendingStores();
/* Returns once every queued store is written. Called before anything reads files from disk. */
void WaitForStores();
/* The stores queued so far are written now rather than after the gathering of a burst; the caller does
 * not wait for them (closing the database does this, so that the files are written beside its
 * checkpoint). */
void StartStores();
/* The cause (SYS_ERR_...) of the first store since the last call that did not land, or 0; forgets it. */
unsigned int TakeStoreFailure();
/* Counts a store that failed before it reached the writer (an injected write fault). */
void NoteStoreFailure(unsigned int error);
/* Forgets every failure (a reset of the platform). */
void ForgetStoreFailures();
/* RegFlush for the platform's own files (the settings): no injected fault applies, and with
 * bDropOnFailure the last change made through the handle is taken back when the store fails. */
bool RegStore(HOBJ hReg, bool bDropOnFailure);

/* The platform failure code (SYS_ERR_...) of a host errno. */
unsigned int ErrorOfErrno(int error);
/* The identity of what is on disk at hostPath (bExists false when nothing is); false when something
 * other than a regular file stands there, with its cause in error. */
bool StatStoredFile(const std::string& hostPath, FileIdentity& identity, unsigned int& error);
/* Reads a regular file whole without following a link; a missing file reads empty (identity.bExists
 * false). False, with the cause in error, when it cannot be read. */
bool ReadStoredFile(const std::string& hostPath, std::string& content, FileIdentity& identity,
                    unsigned int& error);

/* The inter-process lock of a stored file: an exclusive flock on "<file>.lock" beside it (created when
 * missing, never removed). Only writers take it; readers need none, because a file is only ever
 * replaced whole. Locked() is false, with the cause in Error(), when the lock file cannot be made. */
class CFileLock
{
public:
    explicit CFileLock(const std::string& hostPath);
    ~CFileLock();
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;
    bool Locked() const { return m_fd >= 0; }
    unsigned int Error() const { return m_nError; }

private:
    int m_fd = -1;
    unsigned int m_nError = 0;
};

/* Clock state, defined by the time module: true while the clock is frozen by the control interface. */
bool ClockFrozen();
/* Clock and zone hooks of the time module (for the control interface). */
void FreezeClock(unsigned int utcSeconds); /* TmGetTime answers utcSeconds until unfrozen */
void AdvanceClock(int seconds);            /* moves a frozen clock; nothing while it runs */
void UnfreezeClock();                      /* back to the system clock */
bool SetTimeZone(const char* ianaName);    /* false (zone kept) for a name ICU does not know */
} // namespace kiv::core

/* Diagnostics hooks (Diag.cpp) for the control interface. */
namespace kiv::core::diag
{
void SetThreshold(unsigned int threshold); /* messages at or below this level are written */
void SetToStderr(bool toStderr);
void SetCapture(bool on); /* keep the messages in memory for tests */
int CapturedCount();
const char* Captured(int index); /* valid until the next clear; NULL out of range */
bool CapturedContains(const char* text);
int AssertCount(); /* assertion reports since the last clear */
void ClearCaptured();
} // namespace kiv::core::diag

/* Allocation fault hooks (Memory.cpp) for the control interface. */
namespace kiv::core::mem
{
void SetFailNext(int count);  /* the next count allocations fail */
void SetFailAt(int position); /* the position-th allocation from now fails */
int PendingFaults();          /* faults not given yet */
} // namespace kiv::core::mem

#endif
