// Data root of the emulated handset and the reset of the whole core library.
#include "KivCore/KivCoreInternal.h"
#include "KivCore/KivCoreText.h"

#include <filesystem>
#include <mutex>
#include <vector>

namespace fs = std::filesystem;

namespace kiv::core
{
namespace
{
std::mutex g_rootMutex;
std::string g_root;
} // namespace

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

bool SetDataRoot(const std::string& dir)
{
    WaitForStores();
    std::error_code ec;
    fs::create_directories(dir, ec);
    fs::path canonical = fs::weakly_canonical(fs::absolute(dir, ec), ec);
    if (ec || !fs::is_directory(canonical, ec))
        return false;
    {
        std::lock_guard<std::mutex> lock(g_rootMutex);
        g_root = canonical.string();
    }
    ResetNv(); // settings live under the root
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
        g_root = fs::weakly_canonical(fs::absolute(dir, ec), ec).string();
    }
    return g_root;
}

bool ResolvePath(const std::string& handsetPath, std::string& hostPath)
{
    if (handsetPath.empty() || handsetPath.find('\0') != std::string::npos)
        return false;
    // Lexical normalisation: a ".." that climbs above "/" is refused outright.
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= handsetPath.size())
    {
        size_t next = handsetPath.find_first_of("/\\", pos);
        if (next == std::string::npos)
            next = handsetPath.size();
        std::string part = handsetPath.substr(pos, next - pos);
        if (part == "..")
        {
            if (parts.empty())
                return false;
            parts.pop_back();
        }
        else if (!part.empty() && part != ".")
            parts.push_back(part);
        pos = next + 1;
    }
    const std::string root = DataRoot();
    fs::path full(root);
    for (const auto& part : parts)
        full /= part;
    // A link inside the root may point out of it: resolve what exists and check again.
    std::error_code ec;
    fs::path resolved = fs::weakly_canonical(full, ec);
    if (ec)
        return false;
    const std::string r = resolved.string();
    if (r != root &&
        (r.size() <= root.size() || r.compare(0, root.size(), root) != 0 || r[root.size()] != '/'))
        return false;
    hostPath = full.string();
    return true;
}
} // namespace kiv::core
