/* A process whose platform task still waits for messages and owns a mutex ends cleanly when main
 * returns: the task is ended and joined, nothing aborts. */
#define _POSIX_C_SOURCE 200809L
#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

static HOBJ g_mutex = INVALID_HOBJ;
static volatile int g_started = 0;

static void WaitForever(void)
{
    OSMSG msg;
    OsAcquireMutexEx(g_mutex, __FILE__, __LINE__);
    g_started = 1;
    for (;;)
        OsReceiveMessage(-1, &msg, 0);
}

int main(void)
{
    HOBJ task;
    int i;
    char root[] = "/tmp/ulog-osexit-XXXXXX";
    if (mkdtemp(root) == NULL || !UlogCtlReset(root))
        return 1;
    g_mutex = OsCreateMutex("UlogSvc");
    task = OsCreateTask("UlogCtFullSyncTask", 10003, 0x20000, WaitForever, 1, 0);
    if (g_mutex == INVALID_HOBJ || task == INVALID_HOBJ || !OsStartTask(task))
        return 2;
    for (i = 0; i < 1000 && !g_started; ++i)
        OsSleep(5);
    if (!g_started)
        return 3;
    printf("task waiting; leaving main\n");
    rmdir(root); /* nothing was written under it */
    return 0;
}
