/* The exported statistics functions: call times, the life time and the message and e-mail counters,
 * kept by the account manager in Ulog.ini and the settings. */
#define ULOG_SRC_MODULE "UlogSvcAccountMgr/UlogSvcAccountMgr"
#include "H/UlogSvcDef.h"

#include "UlogSvc.h"
#include "UlogSvcAccountMgr/CUlogSvcAccountMgr.h"
#include "UlogSvcECOM/UlogSvcLastError.h"

namespace
{
CUlogSvcAccountMgr* Mgr()
{
    return CUlogSvcAccountMgr::Instance();
}

/* A statistics change: its result, with the reason recorded when it failed. */
BOOL Changed(BOOL bResult)
{
    return bResult ? TRUE : ulogerr::Fail(ULOG_ERR_STATISTICS);
}
} // namespace

extern "C" BOOL UlogResetTotalCallTime(UlogLogType iLogType, UlogCallType iCallType, UlogLineType iLineType)
{
    ulogerr::CUlogApiCall call;
    return Changed(Mgr()->ResetTotalCallTime(iLogType, iCallType, iLineType));
}

extern "C" unsigned int UlogGetTotalCallTime(UlogLogType iLogType, UlogCallType iCallType,
                                             UlogLineType iLineType)
{
    ulogerr::CUlogApiCall call;
    return Mgr()->GetTotalCallTime(iLogType, iCallType, iLineType);
}

extern "C" unsigned int UlogGetLastVoiceCallTime(void)
{
    ulogerr::CUlogApiCall call;
    return Mgr()->GetLastVoiceCallTime();
}

extern "C" unsigned int UlogGetLastVideoCallTime(void)
{
    ulogerr::CUlogApiCall call;
    return Mgr()->GetLastVideoCallTime();
}

extern "C" unsigned int UlogGetLastCallTime(void)
{
    ulogerr::CUlogApiCall call;
    return Mgr()->GetLastCallTime();
}

extern "C" BOOL UlogResetLastVoiceCallTime(void)
{
    ulogerr::CUlogApiCall call;
    return Changed(Mgr()->ResetLastVoiceCallTime());
}

extern "C" BOOL UlogResetLastVideoCallTime(void)
{
    ulogerr::CUlogApiCall call;
    return Changed(Mgr()->ResetLastVideoCallTime());
}

extern "C" BOOL UlogResetLastCallTime(void)
{
    ulogerr::CUlogApiCall call;
    return Changed(Mgr()->ResetLastCallTime());
}

extern "C" BOOL UlogAddLifeTime(unsigned int tmTime)
{
    ulogerr::CUlogApiCall call;
    return Changed(Mgr()->AddLifeTime(tmTime, TRUE));
}

extern "C" BOOL UlogSetLifeTime(unsigned int tmTime)
{
    ulogerr::CUlogApiCall call;
    return Changed(Mgr()->SetLifeTime(tmTime, TRUE));
}

extern "C" unsigned int UlogGetLifeTime(void)
{
    ulogerr::CUlogApiCall call;
    return Mgr()->GetLifeTime();
}

extern "C" int UlogGetSentMessageCount(void)
{
    ulogerr::CUlogApiCall call;
    return Mgr()->GetSentMsgCounter();
}

extern "C" int UlogGetReceivedMessageCount(void)
{
    ulogerr::CUlogApiCall call;
    return Mgr()->GetRcvMsgCounter();
}

extern "C" int UlogGetSentEmailCount(void)
{
    ulogerr::CUlogApiCall call;
    return Mgr()->GetSentEmailCounter();
}

extern "C" int UlogGetReceivedEmailCount(void)
{
    ulogerr::CUlogApiCall call;
    return Mgr()->GetRcvEmailCounter();
}
