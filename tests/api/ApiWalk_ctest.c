/*
 * A C application of the plain-function interface: starts the service on a
 * temporary data root, stores a few calls, walks them through iterator handles
 * and stops the service. Prints each failed check and fails when there is one.
 */
#define _DEFAULT_SOURCE
#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int g_failures = 0;

#define CHECK(cond)                                                                                          \
    do                                                                                                       \
    {                                                                                                        \
        if (!(cond))                                                                                         \
        {                                                                                                    \
            printf("%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);                                  \
            ++g_failures;                                                                                    \
        }                                                                                                    \
    } while (0)

static UlogInfo MakeCall(UlogLogType type, const char* number, unsigned int start)
{
    UlogInfo info;
    memset(&info, 0, sizeof(info));
    info.iLogType = type;
    info.iCallType = ULOG_CALL_VOICE;
    info.iLineType = ULOG_LINE_1;
    info.iPhoneType = ULOG_PHONE_TYPE_NONE;
    info.nUniqueId = ULOG_INVALID_DB_INDEX;
    info.nCallCost = -1;
    info.nSpInfo = -1;
    info.tmStart = start;
    info.tmEnd = start + 30;
    strncpy(info.szNumber, number, sizeof(info.szNumber) - 1);
    return info;
}

/* Walks a handle; the number of logs seen, their numbers joined by ',' into out. */
static int Walk(HOBJ h, char* out, size_t outSize)
{
    int n = 0;
    out[0] = '\0';
    UlogSvcIteratorMoveFirst(h);
    while (!UlogSvcIteratorIsDone(h) && n < 100)
    {
        UlogInfo info;
        if (!UlogSvcIteratorGetCurItem(h, &info))
            break;
        if (n > 0)
            strncat(out, ",", outSize - strlen(out) - 1);
        strncat(out, info.szNumber, outSize - strlen(out) - 1);
        ++n;
        UlogSvcIteratorMoveNext(h);
    }
    return n;
}

int main(void)
{
    char root[] = "/tmp/ulog-ctest-XXXXXX";
    char numbers[512];
    char command[600];
    HOBJ h1, h2, h3;
    int count = -1;
    UlogInfo a, b, c, again;

    if (mkdtemp(root) == NULL)
    {
        printf("cannot make a temporary directory\n");
        return 1;
    }
    CHECK(UlogCtlReset(root));
    CHECK(UlogSvcDispatch(0) == 0);

    /* An empty table: the first handle of the process is 1 and walks nothing. */
    h1 = UlogGetAllLogInfo();
    CHECK(h1 == 1);
    CHECK(Walk(h1, numbers, sizeof(numbers)) == 0);
    UlogSvcIteratorRelease(h1);

    a = MakeCall(ULOG_LOG_ORIGINATED, "0101111111", 1700000000u);
    b = MakeCall(ULOG_LOG_TERMINATED, "0102222222", 1700000100u);
    c = MakeCall(ULOG_LOG_MISSED, "0103333333", 1700000200u);
    CHECK(UlogAddCallLog(&a) == 1);
    CHECK(UlogAddCallLog(&b) == 1);
    CHECK(UlogAddCallLog(&c) == 1);
    CHECK(a.nUniqueId >= 0 && a.nDuplLogCount == 1);
    CHECK(a.nUniqueId != b.nUniqueId && b.nUniqueId != c.nUniqueId);
    again = MakeCall(ULOG_LOG_ORIGINATED, "0101111111", 1700000300u);
    CHECK(UlogAddCallLog(&again) == 1);
    CHECK(again.nUniqueId == a.nUniqueId && again.nDuplLogCount == 2);

    CHECK(UlogGetCallLogCount(ULOG_LOG_ORIGINATED, &count) == 1 && count == 1);
    CHECK(UlogGetCallLogCount(ULOG_LOG_ORIGINATED, NULL) == 0);
    CHECK(UlogGetDuplLogCount(ULOG_LOG_ORIGINATED) == 2);

    /* Handle 1 was released: the next one is 2, and then 3. */
    h2 = UlogGetAllLogInfo();
    CHECK(h2 == 2);
    CHECK(Walk(h2, numbers, sizeof(numbers)) == 3);
    CHECK(strstr(numbers, "0101111111") != NULL && strstr(numbers, "0103333333") != NULL);
    h3 = UlogGetAllLogInfoByType(ULOG_LOG_MISSED);
    CHECK(h3 == 3);
    CHECK(Walk(h3, numbers, sizeof(numbers)) == 1);
    CHECK(strcmp(numbers, "0103333333") == 0);
    UlogSvcIteratorRelease(h3);
    UlogSvcIteratorRelease(h2);
    UlogSvcIteratorRelease(h2); /* a second release changes nothing */
    CHECK(UlogSvcIteratorIsDone(h2) == 0);
    CHECK(UlogSvcIteratorIsDone(INVALID_HOBJ) == 0);

    /* The duplicate table has every event. */
    h1 = UlogGetDuplAllLogInfo();
    CHECK(h1 == 4);
    CHECK(Walk(h1, numbers, sizeof(numbers)) == 4);
    UlogSvcIteratorRelease(h1);

    CHECK(UlogSvcDispatch(1) == 0);
    UlogCtlReset(root);
    snprintf(command, sizeof(command), "rm -rf '%s'", root);
    if (system(command) != 0)
        printf("could not remove %s\n", root);

    if (g_failures != 0)
    {
        printf("%d check(s) failed\n", g_failures);
        return 1;
    }
    printf("all checks passed\n");
    return 0;
}
