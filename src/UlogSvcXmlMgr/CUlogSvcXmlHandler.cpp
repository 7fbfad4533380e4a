#include "UlogSvcXmlMgr/CUlogSvcXmlHandler.h"

CUlogSvcXmlHandler::~CUlogSvcXmlHandler() {}

void CUlogSvcXmlHandler::OnStartDocument() {}

void CUlogSvcXmlHandler::OnEndDocument() {}
