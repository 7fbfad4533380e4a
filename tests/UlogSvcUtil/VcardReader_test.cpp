// The exported call histories read back by a real vCard reader (python3-vobject, which serves the
// system interpreter): every card's name, number, call time and kind as stored, in list order; each
// file holds its kind's calls and nothing else (a message is in none).
#include "UlogSvcECOM/ApiTestSupport.h"
#include "support/DataFiles.h"

#include "H/UlogSvcList.h"
#include "UlogSvcLogMgr/CUlog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcLogMgr/IUlogSvcDistinctMgr.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
const char* const kPython = "/usr/bin/python3";

// One line per card: hex of the UTF-8 name (N's first component; "-" when FN is missing), number,
// call time, kind.
const char* const kReader = R"(import sys, vobject
for path in sys.argv[1:]:
    text = open(path, encoding='utf-8', newline='').read()
    print('FILE', path.rsplit('/', 1)[-1])
    for card in vobject.readComponents(text, allowQP=True):
        fn = card.fn.value.encode().hex() if 'fn' in card.contents else '-'
        family = card.n.value.family.encode().hex() or '-'
        if fn != family:
            fn = 'N-DIFFERS'
        t = card.contents['x-irmc-call-datetime'][0]
        kind = ','.join(t.singletonparams) or '-'
        print(fn, card.tel.value, t.value, kind)
)";

std::string Hex(const std::string& s)
{
    static const char k[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : s)
        out += {k[c >> 4], k[c & 15]};
    return out.empty() ? "-" : out;
}

// The hard names: quotes, separators, backslashes, new lines, Korean, Greek, emoji, 300 characters, and a
// long non-ASCII one.
const std::vector<std::string> kNames = {
    "He said \"hi\"",
    "Semi;colon, comma\\back",
    "Line one\r\nLine two",
    "\xEA\xB9\x80\xEB\xAF\xBC\xEC\x88\x98",                                             // Korean
    "\xCE\x91\xCE\xBB\xCE\xAD\xCE\xBE\xCE\xB1\xCE\xBD\xCE\xB4\xCF\x81\xCE\xBF\xCF\x82", // Greek
    "\xF0\x9F\x98\x80 party \xF0\x9F\x8E\x89",                                          // emoji
    std::string(300, 'z'),
    "",
    "=3D ends with a blank ",
    []
    {
        std::string s; // 150 Greek letters: quoted-printable lines with soft breaks
        for (int i = 0; i < 150; ++i)
            s += "\xCE\xB1";
        return s;
    }(),
};

using VcardReader = ulogtest::ServiceTest;

TEST_F(VcardReader, ReadsBackEveryCardAsStored)
{
    ASSERT_EQ(system((std::string(kPython) + " -c 'import vobject' 2>/dev/null").c_str()), 0)
        << kPython << " with the vobject module is needed (scripts/install-deps installs python3-vobject)";
    ASSERT_TRUE(UlogCtlSetTimeZone("Europe/Athens"));
    const UlogLogType types[3] = {ULOG_LOG_ORIGINATED, ULOG_LOG_TERMINATED, ULOG_LOG_MISSED};
    for (size_t i = 0; i < kNames.size() * 3; ++i)
    {
        const std::string number = "0109" + std::to_string(1000 + i);
        apitest::Add(ulogtest::Event{.type = types[i % 3],
                                     .number = number.c_str(),
                                     .name = kNames[i % kNames.size()].c_str(),
                                     .start = 1700000000u + static_cast<unsigned>(i) * 3607u});
    }
    apitest::Add(ulogtest::Event{.type = ULOG_LOG_MSG_SENT, .number = "0108000", .name = "Not a call"});
    const char* const files[4] = {"cch.vcf", "ich.vcf", "och.vcf", "mch.vcf"};
    for (int k = 0; k < 4; ++k)
        ASSERT_TRUE(UlogMakeTotalVcardFileByType(static_cast<UlogConvertType>(k), "/User/Pbap")) << files[k];

    // What each file must hold: the manager's lists, in their order, as stored.
    std::ostringstream expected;
    IUlogSvcDistinctMgr* pMgr = IUlogSvcDistinctMgr::Instance();
    CUlogSvcFilter combined(" logtype between 0 and 2 ");
    IUlogList<CUlog>* lists[4] = {pMgr->GetUlogs(&combined), pMgr->GetUlogs(ULOG_LOG_TERMINATED),
                                  pMgr->GetUlogs(ULOG_LOG_ORIGINATED), pMgr->GetUlogs(ULOG_LOG_MISSED)};
    for (int k = 0; k < 4; ++k)
    {
        ASSERT_NE(lists[k], nullptr);
        expected << "FILE " << files[k] << "\n";
        IUlogIterator<CUlog>* pIter = lists[k]->GetIterator();
        for (pIter->First(); !pIter->IsDone(); pIter->Next())
        {
            const CUlog* p = pIter->GetCurItem();
            const long long local = TmConvertUTC2TimeZoneLocal64(p->GetStartTime(), "Europe/Athens");
            TM_DATETIME dt;
            TmSecondsToDateTime64(local, &dt);
            char szTime[32];
            std::snprintf(szTime, sizeof szTime, "%04d%02d%02dT%02d%02d%02d", dt.nYear, dt.nMonth, dt.nDay,
                          dt.nHour, dt.nMinute, dt.nSecond);
            const char* kind = p->GetLogType() == ULOG_LOG_MISSED       ? "MISSED"
                               : p->GetLogType() == ULOG_LOG_TERMINATED ? "RECEIVED"
                                                                        : "DIALED";
            expected << Hex(p->GetDisplayName()) << " " << p->GetNumber() << " " << szTime << " " << kind
                     << "\n";
        }
        pIter->Release();
        lists[k]->Release();
    }

    const std::string script = m_root + "/reader.py";
    std::ofstream(script) << kReader;
    std::string cmd = std::string(kPython) + " " + script;
    for (const char* f : files)
        cmd += " " + m_root + "/User/Pbap/" + f;
    cmd += " 2>&1";
    FILE* pipe = popen(cmd.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        out.append(buf, n);
    ASSERT_EQ(pclose(pipe), 0) << out;
    EXPECT_EQ(out, expected.str());
    EXPECT_NE(out.find(Hex(kNames[2])), std::string::npos) << "the name with a new line is missing";
}
} // namespace
