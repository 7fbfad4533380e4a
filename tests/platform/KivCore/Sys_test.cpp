// Status items, last error and the class registry.
#include "support/PlatformFixture.h"

#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"

#include <thread>

namespace
{
using SysTest = ulogtest::PlatformTest;

TEST_F(SysTest, StatusItemsReadZeroUntilSetAndResetClearsThem)
{
    EXPECT_EQ(PhsGetStatus(58), 0);
    UlogCtlSetPhsStatus(58, 1);
    EXPECT_EQ(PhsGetStatus(58), 1);
    EXPECT_EQ(PhsGetStatus(57), 0);
    UlogCtlSetPhsStatus(58, -2);
    EXPECT_EQ(PhsGetStatus(58), -2);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(PhsGetStatus(58), 0);
}

TEST_F(SysTest, LastErrorBelongsToItsThread)
{
    SysSetLastError(0x1234);
    unsigned int other = 1;
    std::thread t(
        [&]
        {
            other = SysGetLastError();
            SysSetLastError(0x99);
        });
    t.join();
    EXPECT_EQ(other, 0u);
    EXPECT_EQ(SysGetLastError(), 0x1234u);
}

TEST_F(SysTest, ClassRegistryPublishesAndWithdrawsObjects)
{
    int objectA = 0;
    int objectB = 0;
    EXPECT_EQ(SysGetClassObject(0x01000078), nullptr);
    EXPECT_EQ(__SysRegisterClass(0, 0x01000078, &objectA, 1), 0);
    EXPECT_EQ(SysGetClassObject(0x01000078), &objectA);
    EXPECT_LT(__SysRegisterClass(0, 0x01000078, &objectB, 1), 0);
    EXPECT_EQ(SysGetClassObject(0x01000078), &objectA);
    EXPECT_EQ(__SysRegisterClass(0, 0x01000079, &objectB, 1), 0);
    EXPECT_EQ(SysGetClassObject(0x01000079), &objectB);
    EXPECT_LT(__SysRegisterClass(0, 0x0100007A, nullptr, 1), 0);

    EXPECT_EQ(SysUnregisterClass(0, 0x01000078), 0);
    EXPECT_EQ(SysGetClassObject(0x01000078), nullptr);
    EXPECT_LT(SysUnregisterClass(0, 0x01000078), 0);
    // Registered again after withdrawal.
    EXPECT_EQ(__SysRegisterClass(0, 0x01000078, &objectB, 1), 0);
    EXPECT_EQ(SysGetClassObject(0x01000078), &objectB);

    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    EXPECT_EQ(SysGetClassObject(0x01000078), nullptr);
    EXPECT_EQ(SysGetClassObject(0x01000079), nullptr);
}
} // namespace
