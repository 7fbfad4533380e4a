// 'ulog export vcard': the files copied into a host directory, the kinds, and the refusals; 'ulog export
// xml': the file copied to a host path.
#include "support/DataFiles.h"
#include "support/ToolProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace
{
using ulogtest::ToolResult;

class ToolExport : public ulogtest::ToolTest
{
protected:
    void AddCalls()
    {
        Ok({"add", "call", "--dir", "missed", "--number", "0101", "--name", "Kim, J"});
        Ok({"add", "call", "--dir", "in", "--number", "0202"});
        Ok({"add", "call", "--dir", "out", "--number", "0303"});
        Ok({"add", "message", "--dir", "sent", "--number", "0404"});
    }
};

// The TEL lines of the files, in order.
std::string Tels(const std::string& dir, const std::vector<std::string>& files)
{
    std::string tels;
    for (const std::string& f : files)
    {
        const std::string text = ulogtest::ReadWholeFile(dir + "/" + f);
        for (size_t pos = 0; (pos = text.find("TEL:", pos)) != std::string::npos; pos += 4)
            tels += text.substr(pos + 4, 4) + " ";
    }
    return tels;
}

// The files the service wrote are copied into the host directory (made when missing) and their paths
// printed; which logs each kind holds is the export's own test (tests/UlogSvcUtil).
TEST_F(ToolExport, CopiesTheFilesAndPrintsTheirPaths)
{
    AddCalls();
    const std::string out = m_dir + "/out/new";
    EXPECT_EQ(Ok({"export", "vcard", out}), out + "/cch.vcf\n");
    EXPECT_EQ(ulogtest::ReadWholeFile(out + "/cch.vcf"),
              ulogtest::ReadWholeFile(m_root + "/User/VcardExport/cch.vcf"));
    EXPECT_EQ(Tels(out, {"cch.vcf"}), "0101 0202 0303 ");
    EXPECT_EQ(Ok({"export", "vcard", "--kind", "missed", out}), out + "/mch.vcf\n");
    EXPECT_EQ(Tels(out, {"mch.vcf"}), "0101 ");
    const std::vector<std::string> each = {"0.vcf", "1.vcf", "2.vcf", "3.vcf"};
    EXPECT_EQ(Ok({"export", "vcard", "--each", out}),
              out + "/0.vcf\n" + out + "/1.vcf\n" + out + "/2.vcf\n" + out + "/3.vcf\n");
    EXPECT_EQ(Tels(out, each), "0404 0303 0202 0101 ");
}

// A bad kind or no directory is refused (2) and writes nothing; no log of the kind fails (1).
TEST_F(ToolExport, RefusesAndFails)
{
    const std::string out = m_dir + "/out";
    ExpectError(Run({"export", "vcard", "--kind", "all-of-them", out}), 2, "unknown kind", "bad kind");
    ExpectError(Run({"export", "vcard"}), 2, "needs one directory", "no directory");
    ExpectError(Run({"export", "csv", out}), 2, "unknown format", "bad format");
    EXPECT_FALSE(std::filesystem::exists(m_root));
    Ok({"add", "call", "--dir", "in", "--number", "0202"});
    ExpectError(Run({"export", "vcard", "--kind", "missed", out}), 1, "no such log", "no missed call");
    EXPECT_FALSE(std::filesystem::exists(out));
    // A link planted under the root that leads out of it: refused, nothing written outside.
    std::filesystem::create_directories(m_dir + "/elsewhere");
    std::filesystem::create_directory_symlink(m_dir + "/elsewhere", m_root + "/User");
    ExpectError(Run({"export", "vcard", "--kind", "incoming", out}), 1, "outside the data root", "link out");
    EXPECT_TRUE(std::filesystem::is_empty(m_dir + "/elsewhere"));
}
// The service's XML file, complete once the tool's ticks ran, is copied to the host file and its path
// printed; with no log the export fails (1) and writes nothing.
TEST_F(ToolExport, XmlToAHostFile)
{
    const std::string out = m_dir + "/out/logs.xml";
    ExpectError(Run({"export", "xml", "--out", out}), 1, "no such log", "no log");
    EXPECT_FALSE(std::filesystem::exists(out));
    AddCalls();
    EXPECT_EQ(Ok({"export", "xml", "--out", out}), out + "\n");
    const std::string text = ulogtest::ReadWholeFile(out);
    EXPECT_EQ(text, ulogtest::ReadWholeFile(m_root + "/User/UlogSvc/Ulogs.xml"));
    EXPECT_TRUE(
        ulogtest::Holds(text, {"<lognumber>0404</lognumber>", "<logname>Kim, J</logname>", "</ulogs>\r\n"}));
    EXPECT_LT(text.find("0404"), text.find("0101")); // newest first
}
} // namespace
