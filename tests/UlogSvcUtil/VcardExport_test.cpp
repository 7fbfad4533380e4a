// The vCard export on a real log database under a temporary data root.
#include "UlogSvcECOM/ApiTestSupport.h"
#include "support/DataFiles.h"

#include "H/UlogSvcPtr.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcGenerator.h"
#include "UlogSvcLogMgr/IUlogSvcDistinctMgr.h"
#include "UlogSvcUtil/CUlogSvcVcard.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{
using ulogtest::Event;

class VcardExport : public ulogtest::ServiceTest
{
protected:
    std::string Host(const std::string& path) const { return m_root + path; }
    std::string Read(const std::string& path) const { return ulogtest::ReadWholeFile(Host(path)); }
    bool Exists(const std::string& path) const { return std::filesystem::exists(Host(path)); }
    void Plant(const std::string& path, const std::string& text) const
    {
        std::filesystem::create_directories(std::filesystem::path(Host(path)).parent_path());
        std::ofstream(Host(path), std::ios::binary) << text;
    }
    // Two calls of each kind (the dialled ones named, one missed one with a hard name) and a message.
    void AddHistory()
    {
        apitest::Add(
            Event{.type = ULOG_LOG_ORIGINATED, .number = "0101", .name = "Ann", .start = 1700000100u});
        apitest::Add(Event{.type = ULOG_LOG_TERMINATED, .number = "0202", .start = 1700000200u});
        apitest::Add(
            Event{.type = ULOG_LOG_MISSED, .number = "0303", .name = "B;\xEA\xB9\x80", .start = 1700000300u});
        apitest::Add(
            Event{.type = ULOG_LOG_ORIGINATED, .number = "0404", .name = "Dan", .start = 1700000400u});
        apitest::Add(Event{.type = ULOG_LOG_TERMINATED, .number = "0505", .start = 1700000500u});
        apitest::Add(Event{.type = ULOG_LOG_MISSED, .number = "0606", .start = 1700000600u});
        apitest::Add(Event{.type = ULOG_LOG_MSG_SENT, .number = "0707", .start = 1700000700u});
    }
};

// "TEL:<n>|<kind>" of each card of the text, in order.
std::vector<std::string> Cards(const std::string& text)
{
    std::vector<std::string> out;
    size_t pos = 0;
    while ((pos = text.find("TEL:", pos)) != std::string::npos)
    {
        const size_t end = text.find("\r\n", pos);
        std::string card = text.substr(pos + 4, end - pos - 4);
        const size_t kind = text.find("X-IRMC-CALL-DATETIME", end);
        const size_t colon = text.find(':', kind);
        card += "|" + text.substr(kind + 20, colon - kind - 20);
        out.push_back(card);
        pos = end;
    }
    return out;
}

// What the cards of a list must be: the manager's list, in its order.
std::vector<std::string> Expected(IUlogList<CUlog>* pList)
{
    std::vector<std::string> out;
    IUlogIterator<CUlog>* pIter = pList->GetIterator();
    for (pIter->First(); !pIter->IsDone(); pIter->Next())
    {
        const CUlog* p = pIter->GetCurItem();
        const char* kind = p->GetLogType() == ULOG_LOG_MISSED       ? ";MISSED"
                           : p->GetLogType() == ULOG_LOG_TERMINATED ? ";RECEIVED"
                           : p->GetLogType() == ULOG_LOG_ORIGINATED ? ";DIALED"
                                                                    : "";
        out.push_back(std::string(p->GetNumber()) + "|" + kind);
    }
    pIter->Release();
    pList->Release();
    return out;
}

// No log of the kind: FALSE, no file, an existing one untouched; the combined export still rewrites
// the counts file. A bad kind or a path out of the root is refused; a failed write keeps the old file.
TEST_F(VcardExport, FailuresLeaveTheOldFile)
{
    Plant("/User/Vcf/mch.vcf", "previous");
    EXPECT_FALSE(UlogMakeTotalVcardFileByType(ULOG_CONVERT_MISSED, "/User/Vcf"));
    EXPECT_EQ(UlogGetLastError(nullptr), ULOG_ERR_NOT_FOUND);
    EXPECT_EQ(Read("/User/Vcf/mch.vcf"), "previous");
    EXPECT_FALSE(UlogMakeEachVcardFileByType(ULOG_CONVERT_COMBINED, "/User/Each"));
    EXPECT_FALSE(Exists("/User/Each"));

    EXPECT_FALSE(Exists("/MoxSetMemoryStatus.ini"));
    EXPECT_FALSE(UlogMakeTotalVcardFileByType(ULOG_CONVERT_COMBINED, "/User/Vcf"));
    EXPECT_TRUE(Exists("/MoxSetMemoryStatus.ini"));
    EXPECT_FALSE(Exists("/User/Vcf/cch.vcf"));

    AddHistory();
    EXPECT_FALSE(UlogMakeTotalVcardFileByType(static_cast<UlogConvertType>(4), "/User/Vcf"));
    EXPECT_EQ(UlogGetLastError(nullptr), ULOG_ERR_INVALID_ARGUMENT);
    EXPECT_FALSE(UlogMakeTotalVcardFileByType(ULOG_CONVERT_MISSED, nullptr));
    EXPECT_FALSE(UlogMakeTotalVcardFileByType(ULOG_CONVERT_MISSED, "/../escape"));
    EXPECT_EQ(UlogGetLastError(nullptr), ULOG_ERR_OUTSIDE_ROOT);
    std::filesystem::create_symlink("/tmp", Host("/User/link"));
    EXPECT_FALSE(UlogMakeTotalVcardFileByType(ULOG_CONVERT_MISSED, "/User/link"));
    EXPECT_EQ(UlogGetLastError(nullptr), ULOG_ERR_OUTSIDE_ROOT);

    // The calls' statistics are stored behind the caller: stored first, so the fault hits the export.
    ASSERT_EQ(UlogCtlWaitForStores(), 0);
    UlogCtlFailNextFileWrites(1);
    EXPECT_FALSE(UlogMakeTotalVcardFileByType(ULOG_CONVERT_MISSED, "/User/Vcf"));
    EXPECT_EQ(UlogGetLastError(nullptr), ULOG_ERR_IO);
    EXPECT_EQ(Read("/User/Vcf/mch.vcf"), "previous");
    EXPECT_EQ(ulogtest::Listing(Host("/User/Vcf")), std::vector<std::string>{"mch.vcf"});
    ASSERT_TRUE(UlogMakeTotalVcardFileByType(ULOG_CONVERT_MISSED, "/User/Vcf"));
    EXPECT_EQ(Cards(Read("/User/Vcf/mch.vcf")).size(), 2u);
}

// One numbered file per distinct log of every type, replacing files of the same names.
TEST_F(VcardExport, EachWritesNumberedFilesOfEveryLog)
{
    AddHistory();
    Plant("/User/Each/0.vcf", "previous");
    ASSERT_TRUE(UlogMakeEachVcardFileByType(ULOG_CONVERT_COMBINED, "/User/Each"));
    const std::vector<std::string> expected = Expected(IUlogSvcDistinctMgr::Instance()->GetUlogs());
    ASSERT_EQ(expected.size(), 7u);
    for (size_t i = 0; i < expected.size(); ++i)
    {
        const std::string text = Read("/User/Each/" + std::to_string(i) + ".vcf");
        EXPECT_EQ(text.rfind("BEGIN:VCARD", 0), 0u) << i;
        EXPECT_EQ(Cards(text), std::vector<std::string>{expected[i]}) << i;
    }
    ASSERT_TRUE(UlogMakeEachVcardFileByType(ULOG_CONVERT_MISSED, "/User/Missed"));
    std::vector<std::string> files = ulogtest::Listing(Host("/User/Missed"));
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"0.vcf", "1.vcf"}));
}

// The card of one log: what it holds, the time in the handset's zone, and the log with nothing to export.
TEST_F(VcardExport, CardOfOneLog)
{
    ASSERT_TRUE(UlogCtlSetTimeZone("Asia/Seoul"));
    struct Row
    {
        Event e;
        const char* expected; // nullptr: no card
    };
    const Row rows[] = {
        {{.type = ULOG_LOG_MISSED, .number = "010", .name = "Kim", .start = 1700000000u},
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Kim\r\nFN:Kim\r\nTEL:010\r\n"
         "X-IRMC-CALL-DATETIME;MISSED:20231115T071320\r\nEND:VCARD\r\n"},
        {{.type = ULOG_LOG_TERMINATED, .number = "020", .start = 0},
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN:\r\nTEL:020\r\nEND:VCARD\r\n"},
        {{.type = ULOG_LOG_MSG_RECEIVED, .number = "", .name = "Q", .start = 86400u},
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Q\r\nFN:Q\r\nX-IRMC-CALL-DATETIME:19700102T090000\r\nEND:"
         "VCARD\r\n"},
        {{.type = ULOG_LOG_ORIGINATED, .number = "", .start = 0}, nullptr},
    };
    CUlogSvcVcard vcard;
    for (const Row& row : rows)
    {
        CUlogSvcGenerator generator;
        CUlogPtr<CUlog> log(generator.Generate(ulogtest::MakeInfo(row.e)));
        ASSERT_TRUE(log.IsValidPtr());
        char* psz = nullptr;
        EXPECT_EQ(vcard.ConvertEachCallLog2VCard(*log.Get(), &psz), row.expected != nullptr ? 1 : 0);
        EXPECT_EQ(std::string(psz != nullptr ? psz : ""),
                  std::string(row.expected != nullptr ? row.expected : ""));
        MemFreeTraceMultiHeap(psz, __FILE__, __LINE__);
    }
}

// Every allocation of an export failing in turn: FALSE, the previous file kept, nothing leaked.
TEST_F(VcardExport, FailedAllocationsKeepTheOldFile)
{
    AddHistory();
    ASSERT_TRUE(UlogMakeTotalVcardFileByType(ULOG_CONVERT_COMBINED, "/User/Vcf"));
    const std::string before = Read("/User/Vcf/cch.vcf");
    int nFailed = 0;
    for (int at = 1; at < 400; ++at)
    {
        UlogCtlFailAllocAt(at);
        const BOOL bOk = UlogMakeTotalVcardFileByType(ULOG_CONVERT_COMBINED, "/User/Vcf");
        const bool bFaultUsed = UlogCtlPendingAllocFaults() == 0;
        UlogCtlFailNextAllocs(0);
        if (!bFaultUsed)
        {
            EXPECT_TRUE(bOk);
            break;
        }
        nFailed += bOk ? 0 : 1;
        EXPECT_EQ(Read("/User/Vcf/cch.vcf"), before) << at;
    }
    EXPECT_GT(nFailed, 0);
}
} // namespace
