/*
 * IUlogSvcLockable and CUlogSvcLock: the service's scoped lock over anything lockable.
 */
#ifndef CULOG_SVC_LOCK_H
#define CULOG_SVC_LOCK_H

#include "H/CUlogObject.h"
#include "KivCore/KivTypes.h"

class IUlogSvcLockable
{
public:
    virtual ~IUlogSvcLockable() {}
    virtual BOOL Lock() = 0;
    virtual BOOL Release() = 0;
};

/* Locks on construction and releases on destruction; whether the lock was taken is not looked at. */
class CUlogSvcLock : public CUlogObject
{
public:
    explicit CUlogSvcLock(IUlogSvcLockable& lockable);
    virtual ~CUlogSvcLock();

    CUlogSvcLock(const CUlogSvcLock&) = delete;
    CUlogSvcLock& operator=(const CUlogSvcLock&) = delete;

private:
    IUlogSvcLockable& m_lockable;
};

#endif
