// The XML export on a real log database under a temporary data root, its timer run on a frozen clock;
// every file it writes is read back with libxml2.
#include "UlogSvcECOM/ApiTestSupport.h"
#include "support/DataFiles.h"

#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/IUlogSvcDistinctMgr.h"
#include "UlogSvcXmlMgr/CUlogSvcXmlMgr.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace
{
using Block = std::vector<std::pair<std::string, std::string>>; // one ulog's elements, in order

// The ulog blocks of the file, read by libxml2; a failure when it is not well-formed or not "ulogs".
::testing::AssertionResult Parse(const std::string& path, std::vector<Block>& blocks)
{
    blocks.clear();
    xmlDocPtr doc =
        xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (doc == nullptr)
        return ::testing::AssertionFailure() << "not well-formed:\n" << ulogtest::ReadWholeFile(path);
    xmlNodePtr root = xmlDocGetRootElement(doc);
    const bool bUlogs = root != nullptr && xmlStrcmp(root->name, BAD_CAST "ulogs") == 0;
    for (xmlNodePtr u = bUlogs ? root->children : nullptr; u != nullptr; u = u->next)
    {
        if (u->type != XML_ELEMENT_NODE)
            continue;
        blocks.emplace_back();
        for (xmlNodePtr e = u->children; e != nullptr; e = e->next)
        {
            if (e->type != XML_ELEMENT_NODE)
                continue;
            xmlChar* text = xmlNodeGetContent(e);
            blocks.back().emplace_back(reinterpret_cast<const char*>(e->name),
                                       reinterpret_cast<const char*>(text));
            xmlFree(text);
        }
    }
    xmlFreeDoc(doc);
    return bUlogs ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "the root is not ulogs";
}

std::string Value(const Block& block, const std::string& name)
{
    for (const auto& [element, value] : block)
        if (element == name)
            return value;
    return "<missing>";
}

// How many times the text holds the part.
int Count(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1))
        ++n;
    return n;
}

class XmlExport : public ulogtest::ServiceTest
{
protected:
    CUlogSvcXmlMgr* m_pMgr = nullptr;
    void SetUp() override
    {
        ulogtest::ServiceTest::SetUp();
        UlogCtlFreezeClock(1700000000);
        m_pMgr = CUlogSvcXmlMgr::Instance();
    }
    std::string File() const { return m_root + "/User/UlogSvc/Ulogs.xml"; }
    // Runs the timer until the export is done: the ticks it took, -1 when it does not end.
    int RunToDone()
    {
        for (int n = 0; n <= 100; ++n, UlogCtlAdvanceClock(1), UlogCtlRunDueTimers())
            if (m_pMgr->IsDone())
                return n;
        return -1;
    }
    // Calls, messages and e-mails in turn (at most 30 per log type), numbered from nFirst.
    void AddLogs(int nCount, int nFirst = 0)
    {
        for (int i = nFirst; i < nFirst + nCount; ++i)
        {
            const std::string number = "09" + std::to_string(10000 + i);
            UlogInfo info = ulogtest::MakeInfo(ulogtest::Event{
                .type = static_cast<UlogLogType>(i % 7), .number = number.c_str(), .start = 1700000000u + i});
            info.mszEmailAddress[0] = static_cast<WCHAR>('a' + i % 26);
            ASSERT_EQ(UlogAddCallLog(&info), 1) << i;
        }
    }
    // The file holds the manager's logs, in its order, each block with its kind's elements.
    void ExpectTheLogs()
    {
        std::vector<Block> blocks;
        ASSERT_TRUE(Parse(File(), blocks));
        IUlogList<CUlog>* pList = IUlogSvcDistinctMgr::Instance()->GetUlogs();
        ASSERT_NE(pList, nullptr);
        EXPECT_EQ(static_cast<int>(blocks.size()), pList->GetCount());
        IUlogIterator<CUlog>* pIter = pList->GetIterator();
        size_t i = 0;
        for (pIter->First(); !pIter->IsDone() && i < blocks.size(); pIter->Next(), ++i)
        {
            const CUlog* p = pIter->GetCurItem();
            ASSERT_GE(blocks[i].size(), 23u);
            const std::string id = std::to_string(p->GetUniqueID());
            EXPECT_EQ(blocks[i][0], std::make_pair(std::string("clogdbindex"), id));
            EXPECT_EQ(blocks[i][1], std::make_pair(std::string("clogdbindex"), id));
            EXPECT_EQ(Value(blocks[i], "lognumber"), p->GetNumber());
            EXPECT_EQ(Value(blocks[i], "starttime"), std::to_string(p->GetStartTime()));
            EXPECT_EQ(Value(blocks[i], "logtype"), std::to_string(p->GetLogType()));
            // After istemplog: the call's three, the message's two, the e-mail's four elements.
            std::string tail;
            for (size_t k = 23; k < blocks[i].size(); ++k)
                tail += blocks[i][k].first + " ";
            EXPECT_EQ(tail, p->GetLogType() <= ULOG_LOG_MISSED ? "iscnap calltype isvideoshare "
                            : p->GetLogType() <= ULOG_LOG_MSG_RECEIVED
                                ? "msglogtype msglogid "
                                : "msglogtype msglogid emailaddress sourcetype ")
                << Value(blocks[i], "lognumber");
            EXPECT_EQ(blocks[i][22].first, "istemplog");
        }
        pIter->Release();
        pList->Release();
        EXPECT_EQ(ulogtest::Listing(m_root + "/User/UlogSvc"), std::vector<std::string>{"Ulogs.xml"});
    }
};

// 200 logs in slices of 50 x n that grow across exports (three ticks after the first log on the
// manager's first export), three logs on one tick, one log done at once; a done export stops its timer.
TEST_F(XmlExport, SlicesOnTicksUntilDone)
{
    AddLogs(200);
    for (int nExport = 0; nExport < 2; ++nExport)
    {
        // Blocks in the temporary file after the start and each tick: the first log, then 50 x n more.
        std::vector<int> want = {1};
        for (unsigned long n = m_pMgr->GetTickCount() + 1; want.back() + 50 * n < 200; ++n)
            want.push_back(want.back() + static_cast<int>(50 * n));
        const std::string before = ulogtest::ReadWholeFile(File());
        ASSERT_TRUE(m_pMgr->ConvertAll2Xml());
        std::vector<int> seen;
        for (int n = 0; n < 10 && !m_pMgr->IsDone(); ++n, UlogCtlAdvanceClock(1), UlogCtlRunDueTimers())
        {
            EXPECT_EQ(ulogtest::ReadWholeFile(File()), before); // whole until the export is
            for (const std::string& name : ulogtest::Listing(m_root + "/User/UlogSvc"))
                if (name != "Ulogs.xml")
                    seen.push_back(
                        Count(ulogtest::ReadWholeFile(m_root + "/User/UlogSvc/" + name), "<ulog>\n"));
        }
        EXPECT_EQ(seen, want);
        EXPECT_TRUE(m_pMgr->IsSucceeded());
        ExpectTheLogs();
    }
    UlogDeleteAllCallLog();
    AddLogs(3);
    ASSERT_TRUE(m_pMgr->ConvertAll2Xml());
    EXPECT_EQ(RunToDone(), 1);
    ExpectTheLogs();
    UlogDeleteAllCallLog();
    AddLogs(1);
    ASSERT_TRUE(m_pMgr->ConvertAll2Xml());
    EXPECT_TRUE(m_pMgr->IsDone());
    EXPECT_TRUE(m_pMgr->IsSucceeded());
    ExpectTheLogs();
    UlogCtlAdvanceClock(5);
    EXPECT_EQ(UlogCtlRunDueTimers(), 0);
    EXPECT_EQ(UlogCtlGetAssertCount(), 0);
}

// No log, a failed first write and a failed write on a tick: the previous file stays as it was, no
// temporary file is left, the export is done and failed, and the caller learns why.
TEST_F(XmlExport, FailuresKeepThePreviousFile)
{
    struct Case
    {
        const char* what;
        int nLogs;
        bool bFaultFirst;
        BOOL bStarted;
        const char* error;
    };
    const Case cases[] = {{"no log", 0, false, FALSE, "3 no such log"},
                          {"first write", 3, true, FALSE, "11 input/output error"},
                          {"tick write", 60, false, TRUE, "0 no error"}};
    int nAdded = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        UlogDeleteAllCallLog();
        AddLogs(c.nLogs, nAdded);
        nAdded += c.nLogs;
        ulogtest::ReplaceFile(File(), "the previous export");
        UlogCtlClearDiagnostics();
        BOOL bDoneBefore = FALSE;
        BOOL bSucceededBefore = FALSE;
        ASSERT_TRUE(UlogGetXmlExportStatus(&bDoneBefore, &bSucceededBefore));
        // The calls' statistics are stored behind the caller: stored first, so the fault hits the export.
        ASSERT_EQ(UlogCtlWaitForStores(), 0);
        UlogCtlFailNextFileWrites(c.bFaultFirst ? 1 : 0);
        EXPECT_EQ(UlogConvertAll2Xml(), c.bStarted);
        EXPECT_EQ(apitest::LastError(), c.error);
        UlogCtlFailNextFileWrites(c.bStarted ? 1 : 0);
        EXPECT_EQ(c.bStarted ? RunToDone() : 0, c.bStarted ? 1 : 0);
        BOOL bDone = FALSE;
        BOOL bSucceeded = TRUE;
        ASSERT_TRUE(UlogGetXmlExportStatus(&bDone, &bSucceeded));
        // Without a log nothing began: the status is the previous export's.
        EXPECT_EQ(bDone, c.nLogs > 0 ? TRUE : bDoneBefore);
        EXPECT_EQ(bSucceeded, c.nLogs > 0 ? FALSE : bSucceededBefore);
        EXPECT_EQ(UlogCtlDiagnosticsContain("is kept as it was"), c.nLogs > 0);
        EXPECT_EQ(ulogtest::ReadWholeFile(File()), "the previous export");
        EXPECT_EQ(ulogtest::Listing(m_root + "/User/UlogSvc"), std::vector<std::string>{"Ulogs.xml"});
    }
    EXPECT_FALSE(UlogGetXmlExportStatus(nullptr, nullptr));
}

// Markup characters, control characters, an empty name, blocks far past 2000 bytes and a local code
// page other than UTF-8: the file is well-formed (libxml2 and xmllint) and says each text in UTF-8.
TEST_F(XmlExport, EveryTextGivesWellFormedUtf8)
{
    const std::vector<std::pair<std::string, std::string>> names = {
        {"A&B<C>D\"E'F\x01G\x1FH\tI\rJ\x7F", "A&B<C>D\"E'FGH\tI\rJ\x7F"},
        {"", ""},
        {std::string(ULOG_NAME_LEN - 1, '&'), std::string(ULOG_NAME_LEN - 1, '&')},
        {"\xEA\xB9\x80 <\xFF>", "\xEA\xB9\x80 <\xEF\xBF\xBD>"}};
    for (size_t i = 0; i < names.size(); ++i)
    {
        const std::string number = "07" + std::to_string(i);
        UlogInfo info = ulogtest::MakeInfo(ulogtest::Event{
            .type = ULOG_LOG_EMAIL_RECEIVED, .number = number.c_str(), .start = 1700000000u + unsigned(i)});
        std::snprintf(info.szName, sizeof(info.szName), "%s", names[i].first.c_str());
        for (int k = 0; k < ULOG_EMAIL_ADDRESS_LEN - 1; ++k)
            info.mszEmailAddress[k] = k == 0 ? '0' + i : i == 2 ? 0xE9 : '<';
        ASSERT_EQ(UlogAddCallLog(&info), 1);
    }
    ASSERT_TRUE(m_pMgr->ConvertAll2Xml());
    ASSERT_GE(RunToDone(), 0);
    std::vector<Block> blocks;
    ASSERT_TRUE(Parse(File(), blocks));
    ASSERT_EQ(blocks.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) // newest first
    {
        const Block& block = blocks[names.size() - 1 - i];
        EXPECT_EQ(Value(block, "logname"), names[i].second) << i;
        std::string address = std::to_string(i);
        for (int k = 1; k < ULOG_EMAIL_ADDRESS_LEN - 1; ++k)
            address += i == 2 ? "\xC3\xA9" : "<";
        EXPECT_EQ(Value(block, "emailaddress"), address) << i;
    }
    EXPECT_TRUE(ulogtest::Holds(ulogtest::ReadWholeFile(File()), {"<logname></logname>\r\n"}));
    EXPECT_EQ(std::system(("xmllint --noout '" + File() + "'").c_str()), 0);

    ASSERT_TRUE(UlogCtlSetLocalCodePage("ISO-8859-1"));
    UlogInfo info = ulogtest::MakeInfo(
        ulogtest::Event{.type = ULOG_LOG_MISSED, .number = "0808", .name = "Ren\xE9", .start = 1700000100u});
    ASSERT_EQ(UlogAddCallLog(&info), 1);
    ASSERT_TRUE(m_pMgr->ConvertAll2Xml());
    ASSERT_GE(RunToDone(), 0);
    ASSERT_TRUE(Parse(File(), blocks));
    EXPECT_EQ(Value(blocks[0], "logname"), "Ren\xC3\xA9");
    EXPECT_EQ(std::system(("xmllint --noout '" + File() + "'").c_str()), 0);
}

// Exports started from two threads (each start abandons the running export), then from another thread
// while this one runs the ticks: the file ends whole, holding every log once.
using XmlExportConcurrent = XmlExport;
TEST_F(XmlExportConcurrent, ExportsStartedWhileOthersRunEndWithOneWholeFile)
{
    AddLogs(150);
    std::atomic<bool> bOtherDone{false};
    BOOL bOtherStarted = TRUE;
    auto startFive = [&]
    {
        for (int i = 0; i < 5; ++i)
            bOtherStarted = m_pMgr->ConvertAll2Xml() && bOtherStarted;
        bOtherDone = true;
    };
    std::thread other(startFive);
    EXPECT_TRUE(m_pMgr->ConvertAll2Xml());
    other.join();
    bOtherDone = false;
    std::thread starter(startFive);
    for (int i = 0; i < 1000000 && !bOtherDone; ++i, UlogCtlAdvanceClock(1))
        UlogCtlRunDueTimers();
    starter.join();
    EXPECT_TRUE(bOtherStarted);
    EXPECT_GE(RunToDone(), 0);
    EXPECT_TRUE(m_pMgr->IsSucceeded());
    ExpectTheLogs();
}
} // namespace
