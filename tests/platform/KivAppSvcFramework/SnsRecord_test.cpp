// An SNS message published through the control interface as the SNS service publishes it: every field
// reaches the subscribers as an SNS record, and the answer says whether every subscriber stored it.
#include "support/PlatformFixture.h"

#include "KivAppSvcFramework/SnsSvcRecord.h"
#include "control/PlatformControl.h"

#include <string>
#include <vector>

namespace
{
class Taker : public IContentSyncSubscriber
{
public:
    explicit Taker(BOOL bAnswer) : m_bAnswer(bAnswer) {}
    // Each message as "thread|message|sp|kind|subject|sender:name|recipients|body|time" ("-" for none).
    BOOL OnContentSync(const char*, void*, const std::vector<IContentSyncData*>* data) override
    {
        for (IContentSyncData* d : *data)
        {
            ISnsSvcRecord* r = dynamic_cast<ISnsSvcRecord*>(d);
            const ISnsSvcMessage* m = r != nullptr ? r->ToMessage() : nullptr;
            if (m == nullptr)
                return FALSE;
            int kind = -1;
            const char *subject = "-", *body = "-";
            std::string to;
            for (int i = 0; i < m->GetReceiverCount(); ++i)
                to += std::string(i ? "," : "") + m->GetReceiver(i)->GetId() + ":" +
                      m->GetReceiver(i)->GetName();
            TM_DATETIME t;
            m->GetTimeStamp(&t);
            seen.push_back(
                std::string(m->GetThreadId()) + "|" + m->GetMessageId() + "|" +
                std::to_string(m->GetSpInfo()) + "|" + std::to_string(m->GetKind(&kind) ? kind : -1) + "|" +
                (m->GetSubject(&subject), subject) + "|" + m->GetSenderId() + ":" + m->GetSenderName() + "|" +
                to + "|" + (m->GetBody(&body), body) + "|" + std::to_string(TmDateTimeToSeconds(&t)));
        }
        return m_bAnswer;
    }
    std::vector<std::string> seen;

private:
    BOOL m_bAnswer;
};

using SnsRecordTest = ulogtest::PlatformTest;
} // namespace

TEST_F(SnsRecordTest, PublishCarriesTheMessageAndTellsWhetherEverySubscriberStoredIt)
{
    const UlogCtlSnsRecipient to[] = {{"a", "A 100%"}, {"b", nullptr}};
    UlogCtlSnsMessage m = {"t", "m", 3, 1, nullptr, nullptr, "Sé", to, 2, "", 1796119200u};
    EXPECT_FALSE(UlogCtlPublishSnsMessage(&m)); // nobody listens

    Taker yes(TRUE), no(FALSE);
    ASSERT_TRUE(CContentSyncMgr::Instance()->Subscribe(SNS_SVC_MESSAGE_SYNC_URI, &yes, 0));
    EXPECT_TRUE(UlogCtlPublishSnsMessage(&m));
    EXPECT_EQ(yes.seen, std::vector<std::string>{"t|m|3|1|-|:Sé|a:A 100%,b:||1796119200"});

    ASSERT_TRUE(CContentSyncMgr::Instance()->Subscribe(SNS_SVC_MESSAGE_SYNC_URI, &no, 0));
    EXPECT_FALSE(UlogCtlPublishSnsMessage(&m));
    EXPECT_EQ(yes.seen.size(), 2u);
    EXPECT_EQ(no.seen.size(), 1u);

    // Refused before anyone hears of it.
    UlogCtlSnsMessage negative = m, missing = m;
    const UlogCtlSnsMessage* const bads[] = {nullptr, &negative, &missing};
    negative.recipientCount = -1;
    missing.recipients = nullptr;
    for (const UlogCtlSnsMessage* bad : bads)
        EXPECT_FALSE(UlogCtlPublishSnsMessage(bad));
    EXPECT_EQ(yes.seen.size(), 2u);
}
