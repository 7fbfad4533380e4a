/* The exported entries of the full contact sync. */
#include "UlogSvc.h"

#include "UlogSvcChangeMgr/CUlogSvcContactSync.h"

extern "C" BOOL ContactFullSyncCallback(int nEvent, void* pUserData, void* pReserved)
{
    return CUlogSvcContactSync::ContactFullSyncCallback(nEvent, pUserData, pReserved);
}

extern "C" BOOL RestartContactFullSyncCallback(void)
{
    return CUlogSvcContactSync::RestartContactFullSyncCallback();
}

extern "C" BOOL UlogSvcStopCtFullSync(void)
{
    return CUlogSvcContactSync::Instance()->StopSync();
}
