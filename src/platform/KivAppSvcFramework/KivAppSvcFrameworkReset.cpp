#include "KivAppSvcFramework/KivAppSvcFrameworkInternal.h"

#include "KivAppSvcFramework/ContentMgr.h"
#include "KivAppSvcFramework/ContentSyncMgr.h"

namespace kiv::appsvc
{
void Reset()
{
    SetContentMgrAvailable(true);
    if (CContentMgr* mgr = CContentMgr::Instance())
        mgr->Reset();
    CContentSyncMgr::Instance()->Reset();
}
} // namespace kiv::appsvc
