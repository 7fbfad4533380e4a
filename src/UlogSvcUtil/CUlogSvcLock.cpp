#define ULOG_SRC_MODULE "UlogSvcUtil/UlogSvcMutex"
#include "UlogSvcUtil/CUlogSvcLock.h"

CUlogSvcLock::CUlogSvcLock(IUlogSvcLockable& lockable) : m_lockable(lockable)
{
    m_lockable.Lock();
}

CUlogSvcLock::~CUlogSvcLock()
{
    m_lockable.Release();
}
