/* The lists that the service hands out: one instance of each for the whole library. */
#include "H/UlogSvcList.h"

#include "UlogSvcLogMgr/CUlog.h"

template class CUlogList<CUlog>;
template class CUlogList<int>;
template class CUlogVectorIterator<CUlog>;
template class CUlogVectorIterator<int>;
