// Content-sync subscriptions, and what a platform reset drops.
#include "support/PlatformFixture.h"

#include "KivAppSvcFramework/ContentMgr.h"
#include "KivAppSvcFramework/ContentSyncMgr.h"
#include "KivAppSvcFramework/KivAppSvcFrameworkInternal.h"
#include "control/PlatformControl.h"

#include <string>
#include <vector>

namespace
{
class Recorder : public IContentSyncSubscriber
{
public:
    BOOL OnContentSync(const char* uri, void* reserved, const std::vector<IContentSyncData*>* data) override
    {
        uris.push_back(uri);
        lastReserved = reserved;
        lastSize = data ? static_cast<int>(data->size()) : -1;
        return TRUE;
    }
    std::vector<std::string> uris;
    void* lastReserved = nullptr;
    int lastSize = -2;
};

class Item : public IContentSyncData
{
};

class NullFactory : public IContentHandlerFactory
{
public:
    IContentHandler* CreateHandler(const std::string&, const CContentFilter*) override { return nullptr; }
};

using ContentSyncTest = ulogtest::PlatformTest;
} // namespace

TEST_F(ContentSyncTest, PublishCallsEverySubscriberOfTheUriOnce)
{
    CContentSyncMgr* mgr = CContentSyncMgr::Instance();
    Recorder a, b, other;
    ASSERT_TRUE(mgr->Subscribe("kiv.content.sync.sns/message", &a, 0));
    ASSERT_TRUE(mgr->Subscribe("kiv.content.sync.sns/message", &b, 0));
    ASSERT_TRUE(mgr->Subscribe("kiv.content.sync.other", &other, 0));
    EXPECT_FALSE(mgr->Subscribe("kiv.content.sync.sns/message", &a, 0)); // already there
    EXPECT_FALSE(mgr->Subscribe("", &a, 0));
    EXPECT_FALSE(mgr->Subscribe("x", nullptr, 0));
    EXPECT_EQ(mgr->GetSubscriberCount("kiv.content.sync.sns/message"), 2);

    Item i1, i2;
    std::vector<IContentSyncData*> data{&i1, &i2};
    int tag = 0;
    EXPECT_EQ(mgr->Publish("kiv.content.sync.sns/message", &tag, &data), 2);
    ASSERT_EQ(a.uris.size(), 1u);
    EXPECT_EQ(a.uris[0], "kiv.content.sync.sns/message");
    EXPECT_EQ(a.lastSize, 2);
    EXPECT_EQ(a.lastReserved, &tag);
    EXPECT_EQ(b.uris.size(), 1u);
    EXPECT_TRUE(other.uris.empty());

    EXPECT_TRUE(mgr->Unsubscribe("kiv.content.sync.sns/message", &a));
    EXPECT_FALSE(mgr->Unsubscribe("kiv.content.sync.sns/message", &a));
    EXPECT_EQ(mgr->Publish("kiv.content.sync.sns/message", nullptr, nullptr), 1);
    EXPECT_EQ(a.uris.size(), 1u);
    EXPECT_EQ(b.uris.size(), 2u);
    EXPECT_EQ(b.lastSize, -1);
    EXPECT_EQ(mgr->Publish("nobody/listens", nullptr, nullptr), 0);
}

TEST_F(ContentSyncTest, ResetDropsSubscriptionsAndRegistrations)
{
    Recorder a;
    NullFactory f;
    ASSERT_TRUE(CContentSyncMgr::Instance()->Subscribe("u", &a, 0));
    ASSERT_TRUE(CContentMgr::Instance()->RegisterHandlerFactory("root", &f));
    EXPECT_EQ(CContentMgr::Instance()->FindFactory("root/x"), &f);
    // A factory that gives no handler gives no list.
    EXPECT_EQ(CContentMgr::Instance()->Query("root/x", CContentFilter()), nullptr);

    kiv::appsvc::SetContentMgrAvailable(false);
    EXPECT_EQ(CContentMgr::Instance(), nullptr);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str()));
    ASSERT_NE(CContentMgr::Instance(), nullptr);
    EXPECT_EQ(CContentMgr::Instance()->FindFactory("root/x"), nullptr);
    EXPECT_EQ(CContentSyncMgr::Instance()->Publish("u", nullptr, nullptr), 0);
    EXPECT_TRUE(a.uris.empty());
}
