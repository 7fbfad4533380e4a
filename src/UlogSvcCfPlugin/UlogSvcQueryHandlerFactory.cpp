#define ULOG_SRC_MODULE "UlogSvcCfPlugin/UlogSvcQueryHandlerFactory"
#include "H/UlogSvcDef.h"

#include "UlogSvcCfPlugin/CUlogQueryHandler.h"

#include <new>

CUlogQueryHandlerFactory* CUlogQueryHandlerFactory::Instance()
{
    static CUlogQueryHandlerFactory s_factory;
    return &s_factory;
}

IContentHandler* CUlogQueryHandlerFactory::CreateHandler(const std::string& uri, const CContentFilter* filter)
{
    CUlogQueryHandler* pQueryHandler = new (std::nothrow) CUlogQueryHandler();
    if (!ULOG_REQUIRE(pQueryHandler != NULL))
    {
        return NULL;
    }
    pQueryHandler->SetFilter(CContentURI(uri), filter);
    return pQueryHandler;
}
