/*
 * The class object that the service publishes with the platform's class
 * registry under UlogSvcClassId at start, so that other modules can add call
 * logs through it.
 */
#ifndef ULOG_SVC_ECOM_H
#define ULOG_SVC_ECOM_H

#include "UlogSvc.h"

#ifdef __cplusplus
extern "C"
{
#endif

#define ULOG_SVC_CLASS_ID 0x01000078u

    typedef unsigned int (*UlogSvcRefFunc)(void* pObject);
    typedef BOOL (*UlogSvcAddCallLogFunc)(UlogInfo* pUlogInfo);

    /* The function table: AddRef, Release, an empty entry, UlogAddCallLog. */
    typedef struct UlogSvcClassVtbl
    {
        UlogSvcRefFunc pfnAddRef;
        UlogSvcRefFunc pfnRelease;
        void* pfnReserved;
        UlogSvcAddCallLogFunc pfnAddCallLog;
    } UlogSvcClassVtbl;

    /* The object: its function table, a word the service never touches, the reference count. */
    typedef struct UlogSvcClassObject
    {
        const UlogSvcClassVtbl* pVtbl;
        unsigned int nReserved;
        unsigned int nRefCount;
    } UlogSvcClassObject;

    /* The published object (static; nothing is freed when the count reaches 0). */
    UlogSvcClassObject* UlogSvcGetClassObject(void);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif
