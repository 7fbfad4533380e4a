// Handset file system: every path lives under the data root; nothing reaches outside it.
#include "KivCore/KivCore.h"
#include "KivCore/KivCoreInternal.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
// Error codes this module leaves in SysSetLastError.
constexpr unsigned int kErrBadPath = SYS_ERR_BAD_PATH;
constexpr unsigned int kErrBadHandle = SYS_ERR_BAD_HANDLE;
constexpr unsigned int kErrIo = SYS_ERR_IO;
constexpr unsigned int kErrBadMode = SYS_ERR_BAD_MODE;
constexpr unsigned int kErrWriteFault = SYS_ERR_WRITE_FAULT;
constexpr unsigned int kErrOutsideRoot = SYS_ERR_OUTSIDE_ROOT;
constexpr unsigned int kErrReadOnly = SYS_ERR_READ_ONLY;

std::atomic<int> g_writeFaults{0};

struct OpenFile
{
    int fd;
    bool append;
};

std::mutex g_fileMutex;
std::map<HOBJ, OpenFile> g_files;
std::map<HOBJ, std::string> g_dirs;
HOBJ g_nextHandle = 1;

HOBJ NextHandleLocked()
{
    HOBJ h = g_nextHandle++;
    if (g_nextHandle <= 0)
        g_nextHandle = 1;
    return h;
}

bool Resolve(const char* path, std::string& host)
{
    kiv::core::WaitForStores(); // files read or listed here show every store made before
    const kiv::core::PathStatus status =
        path != nullptr ? kiv::core::ConfinePath(path, host) : kiv::core::PATH_BAD;
    if (status != kiv::core::PATH_OK)
    {
        SysSetLastError(status == kiv::core::PATH_OUTSIDE_ROOT ? kErrOutsideRoot : kErrBadPath);
        return false;
    }
    return true;
}

// True, with the read-only code left, when the data root was given read-only: nothing is created,
// changed or removed under it.
bool RefusedReadOnly()
{
    if (!kiv::core::DataRootReadOnly())
        return false;
    SysSetLastError(kErrReadOnly);
    return true;
}

// Creates every missing directory of the host path's parent; each level is checked to stay a directory.
bool MakeParents(const std::string& host)
{
    std::error_code ec;
    fs::path parent = fs::path(host).parent_path();
    if (parent.empty() || fs::is_directory(parent, ec))
        return true;
    fs::create_directories(parent, ec);
    return !ec && fs::is_directory(parent, ec);
}

HOBJ OpenWithFlags(const char* path, int flags, bool append)
{
    std::string host;
    if (!Resolve(path, host))
        return INVALID_HOBJ;
    if ((flags & (O_CREAT | O_TRUNC | O_WRONLY | O_RDWR)) != 0 && RefusedReadOnly())
        return INVALID_HOBJ;
    if ((flags & O_CREAT) != 0 && !MakeParents(host))
    {
        SysSetLastError(kErrIo);
        return INVALID_HOBJ;
    }
    // O_NOFOLLOW: a link planted under the root (even a dangling one) is never followed out of it.
    int fd = ::open(host.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
    {
        SysSetLastError(kiv::core::ErrorOfErrno(errno)); // a full disk or a read-only root says so
        return INVALID_HOBJ;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        ::close(fd);
        SysSetLastError(kErrIo);
        return INVALID_HOBJ;
    }
    std::lock_guard<std::mutex> lock(g_fileMutex);
    HOBJ h = NextHandleLocked();
    g_files[h] = OpenFile{fd, append};
    return h;
}
} // namespace

namespace kiv::core
{
bool WriteAll(int fd, const char* data, size_t length)
{
    while (length > 0)
    {
        ssize_t n = ::write(fd, data, length);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

void SetFileWriteFaults(int count)
{
    g_writeFaults.store(count < 0 ? 0 : count);
}

bool ConsumeFileWriteFault()
{
    int n = g_writeFaults.load();
    while (n > 0)
    {
        if (g_writeFaults.compare_exchange_weak(n, n - 1))
            return true;
    }
    return false;
}

void ResetFiles()
{
    std::lock_guard<std::mutex> lock(g_fileMutex);
    for (auto& [h, f] : g_files)
        ::close(f.fd);
    g_files.clear();
    g_dirs.clear(); // handle numbers go on, so a stale handle never names a new file
    g_writeFaults.store(0);
}
} // namespace kiv::core

extern "C"
{

    BOOL FmCreateDir(const char* path)
    {
        std::string host;
        if (!Resolve(path, host))
            return FALSE;
        std::error_code ec;
        if (fs::is_directory(host, ec))
            return TRUE;
        if (RefusedReadOnly())
            return FALSE;
        fs::create_directories(host, ec);
        if (ec || !fs::is_directory(host, ec))
        {
            SysSetLastError(kErrIo);
            return FALSE;
        }
        return TRUE;
    }

    HOBJ FmOpenDir(const char* path)
    {
        std::string host;
        if (!Resolve(path, host))
            return INVALID_HOBJ;
        std::error_code ec;
        if (!fs::is_directory(host, ec))
        {
            SysSetLastError(kErrIo);
            return INVALID_HOBJ;
        }
        std::lock_guard<std::mutex> lock(g_fileMutex);
        HOBJ h = NextHandleLocked();
        g_dirs[h] = host;
        return h;
    }

    BOOL FmCloseDir(HOBJ hDir)
    {
        std::lock_guard<std::mutex> lock(g_fileMutex);
        if (g_dirs.erase(hDir) == 0)
        {
            SysSetLastError(kErrBadHandle);
            return FALSE;
        }
        return TRUE;
    }

    BOOL FmGetFileAttributes(const char* path, unsigned int* attributes)
    {
        std::string host;
        if (!Resolve(path, host))
            return FALSE;
        struct stat st
        {
        };
        if (::lstat(host.c_str(), &st) != 0)
        {
            SysSetLastError(kErrIo);
            return FALSE;
        }
        unsigned int attr = 0;
        if (S_ISDIR(st.st_mode))
            attr = FM_ATTR_DIRECTORY;
        else if (S_ISREG(st.st_mode))
            attr = FM_ATTR_NORMAL;
        else
        {
            SysSetLastError(kErrIo);
            return FALSE; // links and special files are not handset files
        }
        if (attributes != nullptr)
            *attributes = attr;
        return TRUE;
    }

    HOBJ FmCreateFile(const char* path, int mode)
    {
        switch (mode)
        {
        case 1:
            return OpenWithFlags(path, O_WRONLY | O_CREAT | O_TRUNC, false);
        case 2:
        case 20:
            return OpenWithFlags(path, O_RDWR | O_CREAT | O_TRUNC, false);
        case 4:
            return OpenWithFlags(path, O_WRONLY | O_CREAT | O_EXCL, false);
        case 22:
            return OpenWithFlags(path, O_RDWR | O_CREAT | O_APPEND, true);
        default:
            SysSetLastError(kErrBadMode);
            return INVALID_HOBJ;
        }
    }

    HOBJ FmOpenFile(const char* path, int mode)
    {
        switch (mode)
        {
        case 1:
            return OpenWithFlags(path, O_WRONLY, false);
        case 2:
            return OpenWithFlags(path, O_RDONLY, false);
        case 20:
            return OpenWithFlags(path, O_RDWR, false);
        case 22:
            return OpenWithFlags(path, O_RDWR | O_APPEND, true);
        default:
            SysSetLastError(kErrBadMode);
            return INVALID_HOBJ;
        }
    }

    int FmWriteFile(HOBJ hFile, const void* data, unsigned int length)
    {
        int fd = -1;
        {
            std::lock_guard<std::mutex> lock(g_fileMutex);
            auto it = g_files.find(hFile);
            if (it == g_files.end())
            {
                SysSetLastError(kErrBadHandle);
                return 0;
            }
            fd = it->second.fd;
        }
        if (data == nullptr && length > 0)
        {
            SysSetLastError(kErrIo);
            return 0;
        }
        if (kiv::core::ConsumeFileWriteFault())
        {
            SysSetLastError(kErrWriteFault);
            return 0;
        }
        if (!kiv::core::WriteAll(fd, static_cast<const char*>(data), length))
        {
            SysSetLastError(kiv::core::ErrorOfErrno(errno)); // a full disk or a read-only root says so
            return 0;
        }
        return 1;
    }

    int FmReadFile(HOBJ hFile, void* buffer, unsigned int length)
    {
        int fd = -1;
        {
            std::lock_guard<std::mutex> lock(g_fileMutex);
            auto it = g_files.find(hFile);
            if (it == g_files.end())
            {
                SysSetLastError(kErrBadHandle);
                return -1;
            }
            fd = it->second.fd;
        }
        if (buffer == nullptr && length > 0)
            return -1;
        if (length > 0x7FFFFFFFu)
            length = 0x7FFFFFFFu;
        for (;;)
        {
            ssize_t n = ::read(fd, buffer, length);
            if (n >= 0)
                return static_cast<int>(n);
            if (errno != EINTR)
            {
                SysSetLastError(kiv::core::ErrorOfErrno(errno)); // a full disk or a read-only root says so
                return -1;
            }
        }
    }

    BOOL FmCloseFile(HOBJ hFile)
    {
        int fd = -1;
        {
            std::lock_guard<std::mutex> lock(g_fileMutex);
            auto it = g_files.find(hFile);
            if (it == g_files.end())
            {
                SysSetLastError(kErrBadHandle);
                return FALSE;
            }
            fd = it->second.fd;
            g_files.erase(it);
        }
        return ::close(fd) == 0 ? TRUE : FALSE;
    }

    BOOL FmRemoveFile(const char* path)
    {
        std::string host;
        if (!Resolve(path, host) || RefusedReadOnly())
            return FALSE;
        struct stat st
        {
        };
        if (::lstat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        {
            SysSetLastError(kErrIo);
            return FALSE;
        }
        if (::unlink(host.c_str()) != 0)
        {
            SysSetLastError(kiv::core::ErrorOfErrno(errno)); // a full disk or a read-only root says so
            return FALSE;
        }
        return TRUE;
    }

    BOOL FmRenameFile(const char* oldPath, const char* newPath)
    {
        std::string from;
        std::string to;
        if (!Resolve(oldPath, from) || !Resolve(newPath, to) || RefusedReadOnly())
            return FALSE;
        // The data reaches the disk before the name does: a crash never leaves the new name on a file
        // whose content was not written.
        const int fd = ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st
        {
        };
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fsync(fd) != 0)
        {
            SysSetLastError(fd < 0 ? kiv::core::ErrorOfErrno(errno) : kErrIo);
            if (fd >= 0)
                ::close(fd);
            return FALSE;
        }
        ::close(fd);
        // rename replaces the name itself, a link included; it never writes through one.
        if (::rename(from.c_str(), to.c_str()) != 0)
        {
            SysSetLastError(kiv::core::ErrorOfErrno(errno));
            return FALSE;
        }
        const int dirFd = ::open(fs::path(to).parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0)
        {
            ::fsync(dirFd);
            ::close(dirFd);
        }
        return TRUE;
    }

    BOOL FmGetHostPath(const char* path, char* hostPath, int hostPathSize)
    {
        std::string host;
        if (!Resolve(path, host) || hostPath == nullptr || hostPathSize <= 0 ||
            host.size() >= static_cast<size_t>(hostPathSize))
            return FALSE;
        std::memcpy(hostPath, host.c_str(), host.size() + 1);
        return TRUE;
    }

    BOOL FmSetRootDir(const char* hostDir)
    {
        if (hostDir == nullptr || hostDir[0] == '\0')
        {
            SysSetLastError(kErrBadPath);
            return FALSE;
        }
        if (!kiv::core::SetDataRoot(hostDir))
        {
            SysSetLastError(kErrIo);
            return FALSE;
        }
        return TRUE;
    }
}
