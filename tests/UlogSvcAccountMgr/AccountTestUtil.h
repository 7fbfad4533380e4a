// Helpers of the statistics tests: call logs, and the statistics files as they lie on disk.
#ifndef ULOG_ACCOUNT_TEST_UTIL_H
#define ULOG_ACCOUNT_TEST_UTIL_H

#include "support/DataFiles.h"
#include "support/PlatformFixture.h"

#include "UlogSvcAccountMgr/CUlogSvcAccountMgr.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "KivCore/KivCore.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <tuple>

namespace accounttest
{
constexpr unsigned int kCallStart = 1700000000u;

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

// The raw text of a value in a registry file as stored on disk (not the loaded copy).
inline std::optional<std::string> DiskValue(const char* pszFile, const std::string& section,
                                            const std::string& key)
{
    char szHost[1024];
    if (!FmGetHostPath(pszFile, szHost, sizeof(szHost)))
        return std::nullopt;
    const std::optional<ulogtest::IniFile> ini = ulogtest::ParseIni(ulogtest::ReadWholeFile(szHost));
    if (!ini || !ini->contains(section) || !ini->at(section).contains(key))
        return std::nullopt;
    return ini->at(section).at(key);
}

inline std::optional<long long> DiskInt(const char* pszFile, const std::string& section,
                                        const std::string& key)
{
    const std::optional<std::string> value = DiskValue(pszFile, section, key);
    if (!value)
        return std::nullopt;
    return std::stoll(*value);
}

inline std::optional<long long> UlogIni(const std::string& section, const std::string& key)
{
    return DiskInt("Ulog.ini", section, key);
}

// Writes a registry file durably through the platform, as an earlier version of the handset would have.
inline void WriteRegFile(const char* pszFile,
                         std::initializer_list<std::tuple<const char*, const char*, int>> values)
{
    const HOBJ hReg = RegLoad(pszFile, 1);
    ASSERT_NE(hReg, INVALID_HOBJ);
    for (const auto& [section, key, value] : values)
        RegSetInt(hReg, section, key, value);
    ASSERT_TRUE(RegFlush(hReg));
    RegUnload(hReg);
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
        m_pMgr = CUlogSvcAccountMgr::Instance();
        ASSERT_TRUE(m_pMgr->Init());
        m_bLoaded = true;
        ASSERT_TRUE(m_pMgr->ResetLastCallTime());
    }

    void Unload()
    {
        ASSERT_TRUE(m_pMgr->Exit());
        m_bLoaded = false;
    }

    CUlogSvcAccountMgr* m_pMgr = CUlogSvcAccountMgr::Instance();
    bool m_bLoaded = false;
};
} // namespace accounttest

#endif
