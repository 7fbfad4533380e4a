// Exported plain functions: number comparison, SIM queries, advice of charge.
#include "UlogSvc.h"

#include "UlogSvcSimMgr/CUlogSvcSimMgr.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"

extern "C" BOOL UlogStrCmp(const char* pszNumberL, const char* pszNumberR)
{
    return CUlogSvcUtil::StrCmp(pszNumberL, pszNumberR);
}

extern "C" int UlogGetMcc(void)
{
    return CUlogSvcUtil::GetMcc();
}

extern "C" int UlogGetMnc(void)
{
    return CUlogSvcUtil::GetMnc();
}

extern "C" BOOL UlogIsAcmValid(void)
{
    return CUlogSvcUtil::IsAcmValid();
}

extern "C" UlogPhoneType UlogGetPhoneType(int iCtPhoneType)
{
    return CUlogSvcUtil::GetPhoneType(iCtPhoneType);
}

extern "C" BOOL SetAocInfo(const UlogAocInfo* pInfo)
{
    return CUlogSvcSimMgr::Instance()->SetAocInfo(pInfo);
}
