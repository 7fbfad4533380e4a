// 'ulog export vcard': the call history as vCard files, written by the service under the data root
// ("/User/VcardExport") and copied into a directory of the host. 'ulog export xml': every log in
// "/User/UlogSvc/Ulogs.xml", copied to a host file when asked. Host paths on the command line, handset
// paths in the service.
#include "UlogToolExport.h"
#include "UlogToolCommon.h"
#include "UlogToolFormat.h"

#include "UlogSvc.h"
#include "control/PlatformControl.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

namespace ulogtool
{
const char* const s_exportHelp =
    "usage: ulog export vcard [--kind all|incoming|outgoing|missed] [--each] DIR\n"
    "\n"
    "Exports the call history as vCard 2.1 files, as the phone-book access profile\n"
    "writes it: --kind all (the default) cch.vcf with every dialled, received and\n"
    "missed call, incoming ich.vcf, outgoing och.vcf, missed mch.vcf. With --each,\n"
    "one file per log (0.vcf, 1.vcf, ... in list order; all: every log, messages and\n"
    "e-mails too). The service writes the files under the data root in\n"
    "/User/VcardExport; they are copied into the host directory DIR (created when\n"
    "missing), replacing files of the same names whole, and their paths printed.\n"
    "Fails (1) when no log of the kind is stored; nothing is written then.\n"
    "\n"
    "usage: ulog export xml [--out FILE]\n"
    "\n"
    "Exports every log (newest first) as one UTF-8 XML file, written by the service\n"
    "under the data root as /User/UlogSvc/Ulogs.xml (replaced whole when complete).\n"
    "With --out, the file is copied to the host path FILE (replaced whole). The\n"
    "path of the file is printed. Fails (1) when no log is stored or the file\n"
    "cannot be written; the previous file then stays as it was.\n";

namespace
{
namespace fs = std::filesystem;

const char* const kHandsetDir = "/User/VcardExport";

// Copies the file to the path through a temporary file beside it renamed over the old one.
void CopyTo(const fs::path& from, const fs::path& to)
{
    const fs::path tmp = to.parent_path() / (to.filename().string() + ".tmp" + std::to_string(::getpid()));
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    out.close();
    std::error_code ec;
    if (!in || !out)
    {
        fs::remove(tmp, ec);
        Fail("cannot write " + to.string());
    }
    fs::rename(tmp, to, ec);
    if (ec)
    {
        fs::remove(tmp, ec);
        Fail("cannot write " + to.string() + ": " + ec.message());
    }
}

// Copies the file into dir under its name.
void CopyWhole(const fs::path& from, const fs::path& dir)
{
    CopyTo(from, dir / from.filename());
}

int ExportVcard(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const Parsed p = ParseArgs(args, {{"--kind", Opt::VALUE}, {"--each", Opt::FLAG}}, "export vcard");
    static const std::map<std::string, UlogConvertType> kKinds = {{"all", ULOG_CONVERT_COMBINED},
                                                                  {"incoming", ULOG_CONVERT_INCOMING},
                                                                  {"outgoing", ULOG_CONVERT_OUTGOING},
                                                                  {"missed", ULOG_CONVERT_MISSED}};
    const std::string kind = p.Has("--kind") ? p.Get("--kind") : "all";
    const auto it = kKinds.find(kind);
    if (it == kKinds.end())
        Usage("export vcard: unknown kind '" + kind + "' (all, incoming, outgoing or missed)");
    if (p.positional.size() != 1 || p.positional[0].empty())
        Usage("export vcard needs one directory (try 'ulog export --help')");
    const bool bEach = p.Has("--each");
    const fs::path hostDir = p.positional[0];

    Service service(root, Service::READ_WRITE);
    // The service confines its paths to the data root; the tool then reads back the files this export
    // wrote, by name (earlier exports' files in the directory are left alone, never removed by the
    // tool: a link planted under the root could lead a removal out of it).
    const BOOL bOk = bEach ? UlogMakeEachVcardFileByType(it->second, kHandsetDir)
                           : UlogMakeTotalVcardFileByType(it->second, kHandsetDir);
    if (!bOk)
        Fail("export vcard failed" + Reason());
    static const char* const kTotalNames[4] = {"cch.vcf", "ich.vcf", "och.vcf", "mch.vcf"};
    static const UlogLogType kTypes[4] = {ULOG_LOG_CNT_MAX, ULOG_LOG_TERMINATED, ULOG_LOG_ORIGINATED,
                                          ULOG_LOG_MISSED};
    std::vector<std::string> names;
    if (!bEach)
        names.push_back(kTotalNames[it->second]);
    else
    {
        // One file per log of the list: every log type for "all", else the kind's.
        int nCount = 0;
        for (int t = 0; t < ULOG_LOG_CNT_MAX; ++t)
            if (kTypes[it->second] == ULOG_LOG_CNT_MAX || kTypes[it->second] == t)
                nCount += UlogGetCallLogCountEx(static_cast<UlogLogType>(t));
        for (int i = 0; i < nCount; ++i)
            names.push_back(std::to_string(i) + ".vcf");
    }

    std::error_code ec;
    fs::create_directories(hostDir, ec);
    if (ec || !fs::is_directory(hostDir))
        Fail("cannot create " + hostDir.string() + (ec ? ": " + ec.message() : std::string()));
    const fs::path staging = fs::path(root) / "User" / "VcardExport";
    std::vector<fs::path> files;
    for (const std::string& name : names)
        files.push_back(staging / name);
    std::ostringstream printed;
    for (size_t i = 0; i < files.size(); ++i)
    {
        CopyWhole(files[i], hostDir);
        const std::string out = (hostDir / files[i].filename()).string();
        if (json)
            printed << (i == 0 ? "" : ", ") << JsonString(out);
        else
            printed << Printable(out) << '\n';
    }
    if (json)
        std::printf("{\"files\": [%s]}\n", printed.str().c_str());
    else
        std::fputs(printed.str().c_str(), stdout);
    return 0;
}
// The export runs on the service's timer: the clock is frozen here and moved on tick by tick, so the
// command needs no waiting of its own. Ends when the export is done, or fails after far more ticks than
// any history needs.
int ExportXml(const std::vector<std::string>& args, const std::string& root, bool json)
{
    const Parsed p = ParseArgs(args, {{"--out", Opt::VALUE}}, "export xml");
    if (!p.positional.empty())
        Usage("export xml takes no arguments (try 'ulog export --help')");
    if (p.Has("--out") && p.Get("--out").empty())
        Usage("export xml: --out needs a file");

    Service service(root, Service::READ_WRITE);
    UlogCtlFreezeClock(static_cast<unsigned int>(std::time(nullptr)));
    if (!UlogConvertAll2Xml())
    {
        UlogCtlUnfreezeClock();
        Fail("export xml failed" + Reason());
    }
    BOOL bDone = FALSE;
    BOOL bSucceeded = FALSE;
    for (int nTick = 0; nTick < 10000; ++nTick)
    {
        if (!UlogGetXmlExportStatus(&bDone, &bSucceeded) || bDone)
            break;
        UlogCtlAdvanceClock(1);
        UlogCtlRunDueTimers();
    }
    UlogCtlUnfreezeClock();
    if (!bDone || !bSucceeded)
        Fail(std::string("export xml failed: ") +
             (bDone ? "the file could not be written" : "it did not end"));

    fs::path file = fs::path(root) / "User" / "UlogSvc" / "Ulogs.xml";
    if (p.Has("--out"))
    {
        const fs::path out = p.Get("--out");
        std::error_code ec;
        if (out.has_parent_path())
            fs::create_directories(out.parent_path(), ec);
        if (ec)
            Fail("cannot create " + out.parent_path().string() + ": " + ec.message());
        CopyTo(file, out);
        file = out;
    }
    if (json)
        std::printf("{\"file\": %s}\n", JsonString(file.string()).c_str());
    else
        std::printf("%s\n", Printable(file.string()).c_str());
    return 0;
}
} // namespace

int CmdExport(const std::vector<std::string>& args, const std::string& root, bool json)
{
    if (!args.empty() && args[0] == "xml")
        return ExportXml(std::vector<std::string>(args.begin() + 1, args.end()), root, json);
    if (args.empty() || args[0] != "vcard")
        Usage("export: unknown format (try 'ulog export --help')");
    return ExportVcard(std::vector<std::string>(args.begin() + 1, args.end()), root, json);
}
} // namespace ulogtool
