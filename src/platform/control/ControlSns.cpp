// SNS messages published as the SNS service publishes them (KivAppSvcFramework).
#include "control/PlatformControl.h"

#include "KivAppSvcFramework/ContentSyncMgr.h"
#include "KivAppSvcFramework/SnsSvcRecord.h"

#include <vector>

extern "C" BOOL UlogCtlPublishSnsMessage(const UlogCtlSnsMessage* message)
{
    if (message == nullptr || message->recipientCount < 0 ||
        (message->recipientCount > 0 && message->recipients == nullptr))
        return FALSE;
    CSnsSvcMessage record;
    record.SetThreadId(message->threadId);
    record.SetMessageId(message->messageId);
    record.SetSpInfo(message->spInfo);
    record.SetKind(message->kind);
    record.SetSubject(message->subject);
    record.SetSender(message->senderId, message->senderName);
    for (int i = 0; i < message->recipientCount; ++i)
        record.AddReceiver(message->recipients[i].id, message->recipients[i].name);
    record.SetBody(message->body);
    record.SetTime(message->time);

    std::vector<IContentSyncData*> data{&record};
    int nTaken = 0;
    const int nCalled =
        CContentSyncMgr::Instance()->Publish(SNS_SVC_MESSAGE_SYNC_URI, nullptr, &data, &nTaken);
    return (nCalled > 0 && nTaken == nCalled) ? TRUE : FALSE;
}
