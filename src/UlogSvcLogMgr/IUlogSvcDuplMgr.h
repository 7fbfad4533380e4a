/*
 * IUlogSvcDuplMgr: the duplicate log manager's interface, the common log
 * manager operations on the duplicate table (one row per event).
 */
#ifndef IULOG_SVC_DUPL_MGR_H
#define IULOG_SVC_DUPL_MGR_H

#include "UlogSvcLogMgr/IUlogSvcLogMgr.h"

class IUlogSvcDuplMgr : public IUlogSvcLogMgr
{
public:
    /* The single instance (a CUlogSvcDuplMgr), created on first use. */
    static IUlogSvcDuplMgr* Instance();
};

#endif
