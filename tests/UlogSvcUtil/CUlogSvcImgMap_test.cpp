// The keyed store of bitmap descriptors.
#include "support/PlatformFixture.h"

#include "UlogSvcUtil/CUlogSvcImgMap.h"
#include "control/PlatformControl.h"

namespace
{
using CUlogSvcImgMapTest = ulogtest::PlatformTest;

// Width, height, 16 bits per pixel, 1234 bytes of data, the resource.
tagWMBITMAP Bitmap(int width, int resource)
{
    return {width, width * 2, 16, 0, 0, 0, 0, 0, 1234u, resource, 0};
}

TEST_F(CUlogSvcImgMapTest, AddKeepsItsOwnCopyAndReplacesDeletesAndFindsByKey)
{
    CUlogSvcImgMap map;
    tagWMBITMAP b = Bitmap(10, 500);
    ASSERT_TRUE(map.Add(1, b));
    b.nWidth = 99; // the caller's descriptor changes afterwards
    tagWMBITMAP* stored = map.GetImage(1);
    ASSERT_NE(stored, nullptr);
    EXPECT_NE(stored, &b);
    EXPECT_EQ(stored->nWidth, 10);
    EXPECT_EQ(stored->nHeight, 20);
    EXPECT_EQ(stored->nDataSize, 1234u);
    EXPECT_EQ(stored->nResourceId, 500);

    // Adding a key again replaces its descriptor; a deleted or missing key gives null and false.
    tagWMBITMAP two = Bitmap(2, 2);
    ASSERT_TRUE(map.Add(2, two));
    ASSERT_TRUE(map.Add(1, two));
    EXPECT_EQ(map.GetImage(1)->nWidth, 2);
    EXPECT_TRUE(map.Delete(1));
    EXPECT_EQ(map.GetImage(1), nullptr);
    EXPECT_EQ(map.GetImage(2)->nWidth, 2);
    EXPECT_FALSE(map.Delete(1));
}

TEST_F(CUlogSvcImgMapTest, AllocationFailureIsAPrecondition)
{
    CUlogSvcImgMap map;
    tagWMBITMAP a = Bitmap(1, 1);
    UlogCtlFailNextAllocs(1);
    EXPECT_FALSE(map.Add(3, a));
    EXPECT_EQ(UlogCtlGetAssertCount(), 1);
    EXPECT_EQ(map.GetImage(3), nullptr);
    EXPECT_TRUE(map.Add(3, a));
}
} // namespace
