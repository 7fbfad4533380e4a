// An SNS message published through the control interface as the SNS service publishes it: it reaches
// the subscribers as an SNS record, and the answer says whether every subscriber stored it.
#include "support/PlatformFixture.h"

#include "KivAppSvcFramework/SnsSvcRecord.h"
#include "control/PlatformControl.h"

#include <string>
#include <vector>

namespace
{
// Answers as told; keeps the thread id of each message it hears.
struct Taker : IContentSyncSubscriber
{
    explicit Taker(BOOL bAnswer) : m_bAnswer(bAnswer) {}
    BOOL OnContentSync(const char*, void*, const std::vector<IContentSyncData*>* data) override
    {
        for (IContentSyncData* d : *data)
            seen.push_back(dynamic_cast<ISnsSvcRecord&>(*d).ToMessage()->GetThreadId());
        return m_bAnswer;
    }
    BOOL m_bAnswer;
    std::vector<std::string> seen;
};

using SnsRecordTest = ulogtest::PlatformTest;
} // namespace

TEST_F(SnsRecordTest, PublishTellsWhetherEverySubscriberStoredTheMessage)
{
    const UlogCtlSnsRecipient to[] = {{"a", "A"}};
    UlogCtlSnsMessage m = {"t", "m", 3, 1, nullptr, nullptr, nullptr, to, 1, nullptr, 1796119200u};
    EXPECT_FALSE(UlogCtlPublishSnsMessage(&m)); // nobody listens
    Taker yes(TRUE), no(FALSE);
    ASSERT_TRUE(CContentSyncMgr::Instance()->Subscribe(SNS_SVC_MESSAGE_SYNC_URI, &yes, 0));
    EXPECT_TRUE(UlogCtlPublishSnsMessage(&m));
    ASSERT_TRUE(CContentSyncMgr::Instance()->Subscribe(SNS_SVC_MESSAGE_SYNC_URI, &no, 0));
    EXPECT_FALSE(UlogCtlPublishSnsMessage(&m));
    // Refused before anyone hears of it.
    UlogCtlSnsMessage negative = m, missing = m;
    negative.recipientCount = -1;
    missing.recipients = nullptr;
    EXPECT_FALSE(UlogCtlPublishSnsMessage(nullptr));
    EXPECT_FALSE(UlogCtlPublishSnsMessage(&negative));
    EXPECT_FALSE(UlogCtlPublishSnsMessage(&missing));
    EXPECT_EQ(yes.seen, (std::vector<std::string>{"t", "t"}));
    EXPECT_EQ(no.seen, std::vector<std::string>{"t"});
}
