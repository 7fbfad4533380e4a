// Data root of the emulated handset and the reset of the whole core library.
#include "KivCore/KivCoreInternal.h"
#include "KivCore/KivCoreText.h"

#include <cerrno>
#include <deque>
#include <filesystem>
#include <mutex>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
constexpr int kMaxLinks = 40; // links followed on one path before it counts as a loop (as the kernel's limit)

std::mutex g_rootMutex;
std::string g_root;
bool g_readOnly = false;

// The canonical form of a host directory: links of its existing part resolved, the rest lexical.
std::string Canonical(const std::string& dir)
{
    std::error_code ec;
    const fs::path absolute = fs::absolute(dir, ec);
    if (ec)
        return std::string();
    const fs::path canonical = fs::weakly_canonical(absolute, ec);
    return ec ? std::string() : canonical.lexically_normal().string();
}

bool IsUnder(const std::string& path, const std::string& root)
{
    if (path == root || root == "/")
        return true;
    return path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/';
}

void SplitInto(const std::string& text, std::vector<std::string>& parts)
{
    size_t pos = 0;
    while (pos <= text.size())
    {
        size_t next = text.find('/', pos);
        if (next == std::string::npos)
            next = text.size();
        parts.push_back(text.substr(pos, next - pos));
        pos = next + 1;
    }
}

// Follows the components below the root as the host would, every link included (a dangling one's target
// is followed by name), and checks that each link leads to a place under the root and that the path ends
// there. real receives the path with every link resolved.
kiv::core::PathStatus FollowUnder(const std::string& root, const std::vector<std::string>& parts,
                                  std::string& real)
{
    struct Step
    {
        std::string name;
        bool linkEnd; // the last component of a link's target was taken: the link must have stayed inside
    };
    std::deque<Step> todo;
    for (const auto& part : parts)
        todo.push_back({part, false});
    fs::path current(root);
    bool exists = true; // current names something that exists (so its components can be looked at)
    int links = 0;
    while (!todo.empty())
    {
        const Step step = todo.front();
        todo.pop_front();
        if (step.linkEnd)
        {
            if (!IsUnder(current.string(), root))
                return kiv::core::PATH_OUTSIDE_ROOT;
            continue;
        }
        if (step.name.empty() || step.name == ".")
            continue;
        if (step.name == "..")
        {
            current = current.parent_path();
            continue;
        }
        const fs::path next = current / step.name;
        struct stat st
        {
        };
        if (!exists || ::lstat(next.c_str(), &st) != 0)
        {
            exists = false; // from here on the path is only a name
            current = next;
            continue;
        }
        if (!S_ISLNK(st.st_mode))
        {
            current = next;
            continue;
        }
        if (++links > kMaxLinks)
            return kiv::core::PATH_BAD;
        std::vector<char> buffer(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(next.c_str(), buffer.data(), buffer.size());
        if (n <= 0 || static_cast<size_t>(n) >= buffer.size())
            return kiv::core::PATH_BAD;
        const std::string target(buffer.data(), static_cast<size_t>(n));
        std::vector<std::string> targetParts;
        SplitInto(target, targetParts);
        todo.push_front({std::string(), true});
        for (auto it = targetParts.rbegin(); it != targetParts.rend(); ++it)
            todo.push_front({*it, false});
        if (target[0] == '/')
            current = "/";
    }
    real = current.string();
    return IsUnder(real, root) ? kiv::core::PATH_OK : kiv::core::PATH_OUTSIDE_ROOT;
}
} // namespace

namespace kiv::core
{
void Reset()
{
    WaitForStores(); // nothing queued may land in the next test's files
    ResetSql();
    ResetRegistry();
    ResetFiles();
    ResetOs();
    ResetSys();
    ResetTime();
    ResetDiag();
    ResetMemory();
    ResetNv();
    SetLocalCodePage("UTF-8");
}

bool SetDataRoot(const std::string& dir, bool readOnly)
{
    ApplyPendingStores(); // pending changes belong to the old root
    WaitForStores();
    std::error_code ec;
    if (!readOnly)
        fs::create_directories(dir, ec);
    const std::string canonical = Canonical(dir);
    if (canonical.empty())
        return false;
    // A read-only root may be missing (it reads as empty); whatever stands there must be a directory.
    if (!fs::is_directory(canonical, ec) && (!readOnly || fs::exists(fs::symlink_status(canonical, ec))))
        return false;
    {
        std::lock_guard<std::mutex> lock(g_rootMutex);
        g_root = canonical;
        g_readOnly = readOnly;
    }
    ResetSql(); // the database belongs to the root
    ResetNv();  // settings live under the root
    return true;
}

std::string DataRoot()
{
    std::lock_guard<std::mutex> lock(g_rootMutex);
    if (g_root.empty())
    {
        // First use without a control call: $ULOG_ROOT, else ./ulog-data.
        const char* env = std::getenv("ULOG_ROOT");
        std::string dir = (env != nullptr && env[0] != '\0') ? env : "./ulog-data";
        std::error_code ec;
        fs::create_directories(dir, ec);
        g_root = Canonical(dir);
        g_readOnly = false;
    }
    return g_root;
}

bool DataRootReadOnly()
{
    std::lock_guard<std::mutex> lock(g_rootMutex);
    return g_readOnly;
}

PathStatus ConfinePath(const std::string& handsetPath, std::string& hostPath, std::string* realPath)
{
    if (handsetPath.empty() || handsetPath.find('\0') != std::string::npos)
        return PATH_BAD;
    // Lexical normalisation: a ".." that climbs above "/" is refused outright.
    std::vector<std::string> raw;
    std::string slashes = handsetPath;
    for (char& c : slashes)
        if (c == '\\')
            c = '/';
    SplitInto(slashes, raw);
    std::vector<std::string> parts;
    for (const auto& part : raw)
    {
        if (part == "..")
        {
            if (parts.empty())
                return PATH_BAD;
            parts.pop_back();
        }
        else if (!part.empty() && part != ".")
            parts.push_back(part);
    }
    const std::string root = DataRoot();
    std::string real;
    const PathStatus status = FollowUnder(root, parts, real);
    if (status != PATH_OK)
        return status;
    fs::path full(root);
    for (const auto& part : parts)
        full /= part;
    hostPath = full.string();
    if (realPath != nullptr)
        *realPath = real;
    return PATH_OK;
}

bool ResolvePath(const std::string& handsetPath, std::string& hostPath)
{
    return ConfinePath(handsetPath, hostPath) == PATH_OK;
}
} // namespace kiv::core
