/*
 * IUlogObserver: what a subject calls for each change of the logs. The observer reads the kind of the
 * change from the subject (CUlogSvcSubject::GetChangeType).
 */
#ifndef IULOG_OBSERVER_H
#define IULOG_OBSERVER_H

#include "KivCore/KivTypes.h"

class CUlogSvcSubject;
class CUlogObject;
class IUlogSvcFilter;

class IUlogObserver
{
public:
    virtual ~IUlogObserver() {}
    /* pObject: the changed log, or NULL; pFilter: the filter that selected the changed rows, or NULL.
     * The result is not looked at by the subject. */
    virtual BOOL Update(CUlogSvcSubject* pSubject, CUlogObject* pObject, const IUlogSvcFilter* pFilter) = 0;
};

#endif
