// The calling thread's last failure (UlogGetLastError).
#include "UlogSvcECOM/UlogSvcLastError.h"

#include "KivCore/KivCore.h"

namespace
{
thread_local UlogErrorCode t_iLastError = ULOG_ERR_NONE;

const char* TextOf(UlogErrorCode iCode)
{
    switch (iCode)
    {
    case ULOG_ERR_NONE:
        return "no error";
    case ULOG_ERR_FAILED:
        return "operation failed";
    case ULOG_ERR_INVALID_ARGUMENT:
        return "invalid argument";
    case ULOG_ERR_NOT_FOUND:
        return "no such log";
    case ULOG_ERR_DB_FULL:
        return "database is full";
    case ULOG_ERR_READ_ONLY:
        return "data root is read-only";
    case ULOG_ERR_DB_BUSY:
        return "database is busy";
    case ULOG_ERR_DB_CORRUPT:
        return "database is damaged";
    case ULOG_ERR_DB_CANT_OPEN:
        return "database cannot be opened";
    case ULOG_ERR_OUTSIDE_ROOT:
        return "path leads outside the data root";
    case ULOG_ERR_NO_MEMORY:
        return "out of memory";
    case ULOG_ERR_IO:
        return "input/output error";
    case ULOG_ERR_STATISTICS:
        return "statistics could not be stored";
    }
    return "operation failed";
}
/* The code for the platform's last error of this thread; iFallback when that names no cause. */
UlogErrorCode FromPlatform(UlogErrorCode iFallback)
{
    switch (SysGetLastError())
    {
    case SYS_ERR_DISK_FULL:
        return ULOG_ERR_DB_FULL;
    case SYS_ERR_READ_ONLY:
        return ULOG_ERR_READ_ONLY;
    case SYS_ERR_DB_BUSY:
        return ULOG_ERR_DB_BUSY;
    case SYS_ERR_DB_CORRUPT:
        return ULOG_ERR_DB_CORRUPT;
    case SYS_ERR_DB_CANT_OPEN:
        return ULOG_ERR_DB_CANT_OPEN;
    case SYS_ERR_OUTSIDE_ROOT:
        return ULOG_ERR_OUTSIDE_ROOT;
    case SYS_ERR_NO_MEMORY:
        return ULOG_ERR_NO_MEMORY;
    case SYS_ERR_IO:
    case SYS_ERR_WRITE_FAULT:
        return ULOG_ERR_IO;
    default:
        return iFallback;
    }
}
} // namespace

namespace ulogerr
{
void Clear()
{
    t_iLastError = ULOG_ERR_NONE;
    SysSetLastError(SYS_ERR_NONE);
}

BOOL Fail(UlogErrorCode iFallback)
{
    if (t_iLastError == ULOG_ERR_NONE)
        t_iLastError = FromPlatform(iFallback);
    return 0;
}

} // namespace ulogerr

extern "C" UlogErrorCode UlogGetLastError(const char** ppszText)
{
    const UlogErrorCode iCode = t_iLastError;
    if (ppszText != nullptr)
        *ppszText = TextOf(iCode);
    return iCode;
}
