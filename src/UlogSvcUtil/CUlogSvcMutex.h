/*
 * The service's three process-wide named mutexes. Objects are made freely on the stack wherever a
 * lock is needed; all objects of one class share the class's platform mutex handle, which is
 * INVALID_HOBJ until Create and again after Delete. Lock and Release on an invalid handle do nothing
 * and return FALSE.
 */
#ifndef CULOG_SVC_MUTEX_H
#define CULOG_SVC_MUTEX_H

#include "UlogSvcUtil/CUlogSvcLock.h"

/* Lock order: the service lock may be held when the statistics lock is taken, never the reverse
 * (observers notified under the service lock read statistics; nothing done under the statistics lock
 * waits for the service lock). The observer lock, when a client creates it, is taken under either. */

/* The service lock, "UlogSvc". */
class CUlogSvcMutex : public IUlogSvcLockable
{
public:
    static BOOL Create(const char* pszName);
    static BOOL Delete();
    BOOL Lock() override;
    BOOL Release() override;

    static HOBJ m_hMutex;
};

/* The statistics lock, "UlogSvcAccount". */
class CUlogSvcAccountMutex : public IUlogSvcLockable
{
public:
    static BOOL Create(const char* pszName);
    static BOOL Delete();
    BOOL Lock() override;
    BOOL Release() override;

    static HOBJ m_hAccountMutex;
};

/* The lock of the observer lists; only a client of the library creates it. */
class CUlogSvcObserverMutex : public IUlogSvcLockable
{
public:
    static BOOL Create(const char* pszName);
    static BOOL Delete();
    BOOL Lock() override;
    BOOL Release() override;

    static HOBJ m_hObserverMutex;
};

#endif
