// 'ulog export vcard': the files copied into a host directory, the kinds, and the refusals.
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

struct KindCase
{
    std::vector<std::string> options;
    std::vector<std::string> files;
    std::vector<std::string> numbers; // the TEL lines of the files, in order
};

class ToolExportKind : public ToolExport, public ::testing::WithParamInterface<KindCase>
{
};

TEST_P(ToolExportKind, CopiesTheFilesAndPrintsTheirPaths)
{
    AddCalls();
    const std::string out = m_dir + "/out/new"; // created by the command
    std::vector<std::string> args = {"export", "vcard"};
    args.insert(args.end(), GetParam().options.begin(), GetParam().options.end());
    args.push_back(out);
    std::string expectedOut;
    std::string tels;
    for (const std::string& f : GetParam().files)
        expectedOut += out + "/" + f + "\n";
    EXPECT_EQ(Ok(args), expectedOut);
    for (const std::string& f : GetParam().files)
    {
        const std::string text = ulogtest::ReadWholeFile(out + "/" + f);
        EXPECT_EQ(text, ulogtest::ReadWholeFile(m_root + "/User/VcardExport/" + f)) << f;
        for (size_t pos = 0; (pos = text.find("TEL:", pos)) != std::string::npos; pos += 4)
            tels += text.substr(pos + 4, 4) + " ";
    }
    std::string expectedTels;
    for (const std::string& n : GetParam().numbers)
        expectedTels += n + " ";
    EXPECT_EQ(tels, expectedTels);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ToolExportKind,
                         ::testing::Values(KindCase{{}, {"cch.vcf"}, {"0101", "0202", "0303"}},
                                           KindCase{{"--kind", "missed"}, {"mch.vcf"}, {"0101"}},
                                           KindCase{{"--kind", "incoming"}, {"ich.vcf"}, {"0202"}},
                                           KindCase{{"--kind", "outgoing", "--each"}, {"0.vcf"}, {"0303"}},
                                           KindCase{{"--each"},
                                                    {"0.vcf", "1.vcf", "2.vcf", "3.vcf"},
                                                    {"0404", "0303", "0202", "0101"}}));

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
} // namespace
