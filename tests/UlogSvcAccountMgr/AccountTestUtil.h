// Helpers of the statistics tests: call logs, and the statistics files as they lie on disk.
#ifndef ULOG_ACCOUNT_TEST_UTIL_H
#define ULOG_ACCOUNT_TEST_UTIL_H

#include "support/DataFiles.h"
#include "support/PlatformFixture.h"

#include "UlogSvcAccountMgr/CUlogSvcAccountMgr.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"

#include <optional>
#include <sstream>
#include <string>

namespace accounttest
{
constexpr unsigned int kCallStart = 1700000000u;
const char* const kTotalKeys[6] = {"Voice1TotalTime", "Voice2TotalTime", "Video1TotalTime",
                                   "Video2TotalTime", "CSD1TotalTime",   "CSD2TotalTime"};

inline CUlogCallLog MakeCall(UlogLogType iLogType, UlogCallType iCallType, UlogLineType iLineType,
                             unsigned int nSeconds)
{
    CUlogCallLog log;
    log.SetLogType(iLogType);
    log.SetCallType(iCallType);
    log.SetLineType(iLineType);
    log.SetNumber("01012345678");
    log.SetStartTime(kCallStart);
    log.SetEndTime(kCallStart + nSeconds);
    return log;
}

// The raw text of a value in a registry file as stored on disk (not the loaded copy), once every store
// made so far has landed: the statistics of the calls handed over before included.
inline std::optional<std::string> DiskValue(const char* pszFile, const std::string& section,
                                            const std::string& key)
{
    UlogCtlWaitForStores();
    char szHost[1024];
    const std::optional<ulogtest::IniFile> ini = FmGetHostPath(pszFile, szHost, sizeof(szHost))
                                                     ? ulogtest::ParseIni(ulogtest::ReadWholeFile(szHost))
                                                     : std::nullopt;
    if (!ini || !ini->contains(section) || !ini->at(section).contains(key))
        return std::nullopt;
    return ini->at(section).at(key);
}

inline std::optional<long long> DiskInt(const char* pszFile, const std::string& section,
                                        const std::string& key)
{
    const std::optional<std::string> value = DiskValue(pszFile, section, key);
    return value ? std::optional<long long>(std::stoll(*value)) : std::nullopt;
}

inline std::optional<long long> UlogIni(const std::string& section, const std::string& key)
{
    return DiskInt("Ulog.ini", section, key);
}

// Each test starts from an empty data root with the statistics loaded, and leaves them unloaded.
class AccountTest : public ulogtest::PlatformTest
{
protected:
    void TearDown() override
    {
        if (m_bLoaded)
            CUlogSvcAccountMgr::Instance()->Exit();
        CUlogSvcAccountMgr::SetLogCountSource(nullptr);
        ulogtest::PlatformTest::TearDown();
    }

    // Loads the statistics; the in-memory last call duration, which survives in the single instance
    // from test to test, is cleared too.
    void Load()
    {
        ASSERT_TRUE(m_pMgr->Init());
        m_bLoaded = true;
        ASSERT_TRUE(m_pMgr->ResetLastCallTime());
    }

    void Unload()
    {
        ASSERT_TRUE(m_pMgr->Exit());
        m_bLoaded = false;
    }

    // Replaces "Ulog.ini" whole with the current file, one value changed, as another process's store does.
    void StoreAsAnotherProcess(const std::string& key, const std::string& value) const
    {
        UlogCtlWaitForStores();
        std::istringstream in(ulogtest::ReadWholeFile(m_root + "/Ulog.ini"));
        std::string text;
        for (std::string line; std::getline(in, line);)
            text += (line.rfind(key + "=", 0) == 0 ? key + "=" + value : line) + "\n";
        ulogtest::ReplaceFile(m_root + "/Ulog.ini", text);
    }

    CUlogSvcAccountMgr* m_pMgr = CUlogSvcAccountMgr::Instance();
    bool m_bLoaded = false;
};
} // namespace accounttest

#endif
