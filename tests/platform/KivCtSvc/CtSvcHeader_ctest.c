/* The contacts service's public header compiles as C: a program that includes only it adds a contact
 * with a number and reads both back, on a data root of its own (named by ULOG_ROOT before first use). Its
 * listener has heard both adds when they return, and the process ends with the notification thread
 * started. */
#define _POSIX_C_SOURCE 200809L
#include "KivCtSvc/KivCtSvc.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int g_nHeard = 0;

static BOOL Heard(int nChangeType, int nRecordId, void* pUserData, void* pReserved)
{
    (void)pUserData;
    (void)pReserved;
    g_nHeard += nChangeType == CTSVC_CHANGE_NEW && nRecordId > 0;
    return TRUE;
}

int main(void)
{
    static const char* const kFiles[] = {"/System/contacts.db-wal", "/System/contacts.db-shm",
                                         "/System/contacts.db", "/System", ""};
    char szRoot[] = "/tmp/ulog-ctsvc-c-XXXXXX";
    char szPath[256];
    CtSvcContactRecord contact = {0, "Ann", "Lee", ""};
    CtSvcPhoneNumberRecord number = {0, 0, CTSVC_STORAGE_PHONE, 0, CTSVC_PHONE_MOBILE, CTSVC_USE_HOME, ""};
    CtSvcPhoneNumberRecord found;
    int nContactId, nDataId, bOk;
    size_t i;

    if (mkdtemp(szRoot) == NULL || setenv("ULOG_ROOT", szRoot, 1) != 0)
        return 2;
    if (!_CtSvcDbListenerRegisterCallback(CTSVC_DB_CONTACT, Heard, NULL, __FILE__, __LINE__) ||
        !_CtSvcDbListenerRegisterCallback(CTSVC_DB_PHONE_NUMBER, Heard, NULL, __FILE__, __LINE__))
        return 3;
    nContactId = CtSvcDbContactAdd(&contact);
    number.nContactId = nContactId;
    strcpy(number.szNumber, "+44 20 7946 0001");
    nDataId = CtSvcDbPhoneNumberAdd(&number);
    memset(&contact, 0, sizeof contact);
    strcpy(number.szNumber, "020 7946 0001");
    memset(&found, 0, sizeof found);
    bOk = nContactId > 0 && nDataId > 0 && g_nHeard == 2 &&
          CtSvcDbContactGetRecord(nContactId, &contact) == TRUE && strcmp(contact.szFirstName, "Ann") == 0 &&
          strcmp(contact.szLastName, "Lee") == 0 && CtSvcDbPhoneNumberGetRecords(&number, &found, 1) == 1 &&
          found.nDataId == nDataId && found.nContactId == nContactId &&
          strcmp(found.szNumber, "+442079460001") == 0;
    for (i = 0; i < sizeof kFiles / sizeof kFiles[0]; ++i)
    {
        snprintf(szPath, sizeof szPath, "%s%s", szRoot, kFiles[i]);
        if (unlink(szPath) != 0)
            rmdir(szPath);
    }
    printf("contact %d, number %d: %s\n", nContactId, nDataId, bOk ? "stored and read back" : "FAILED");
    return bOk ? 0 : 1;
}
