/*
 * CUlogSvcXmlHandler: the reading side of the XML export, kept for the readers of the file. The
 * export manager creates and destroys it with itself; neither of its operations does anything.
 */
#ifndef CULOG_SVC_XML_HANDLER_H
#define CULOG_SVC_XML_HANDLER_H

#include "H/CUlogObject.h"

class CUlogSvcXmlHandler : public CUlogObject
{
public:
    CUlogSvcXmlHandler() = default;
    ~CUlogSvcXmlHandler() override;

    virtual void OnStartDocument();
    virtual void OnEndDocument();
};

#endif
