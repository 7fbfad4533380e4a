/* Internal hooks of KivCore for the control interface and the other platform libraries. */
#ifndef KIVCORE_INTERNAL_H
#define KIVCORE_INTERNAL_H

#include <string>

namespace kiv::core
{
/* Back to the state at load (the data root is kept). */
void Reset();
/* The host directory behind the handset's "/" (the database is closed, settings are read again).
 * Created when missing, unless readOnly: a read-only root is only read (a missing one reads as empty),
 * nothing is created or written under it and the database is opened read-only. */
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

/* File-write fault injection shared by the file and registry modules: true when this write must fail. */
bool ConsumeFileWriteFault();

/* Hooks of the registry, settings, task, file and status modules (for the control interface). */
void SetFileWriteFaults(int count);     /* the next count file writes and registry flushes fail */
void SetMutexCreateFault(bool fail);    /* OsCreateMutex gives INVALID_HOBJ while set */
void SetPhsStatus(int item, int value); /* what PhsGetStatus(item) answers */
/* Replaces a host file durably, now: writes a temporary file beside it, syncs its data and renames it
 * over the old one, so a crash leaves either the old or the new content. */
bool WriteFileDurably(const std::string& hostPath, const std::string& content);
/* Queues a durable replacement of a host file (WriteFileDurably on the process's store writer); the
 * newest content of a file wins. False, with a report, when a directory or a link stands where the file
 * or its temporary file must go, or when the file's previous store could not be written (this content
 * is then not queued either). */
bool StoreFile(const std::string& hostPath, const std::string& content);
/* Returns once every queued store is written. Called before anything reads files from disk. */
void WaitForStores();

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
