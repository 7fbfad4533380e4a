// SNS messages stored as SNS logs by the started service: one log per sender or recipient, linked to the
// contact holding its person id only; every text as the message gave it (cut at a character where it does
// not fit); refused elements reported while the others are stored; a failed add ending the notification.
#include "support/DataFiles.h"
#include "support/PlatformFixture.h"
#include "support/Records.h"

#include "KivAppSvcFramework/SnsSvcRecord.h"
#include "UlogSvcMgr/CUlogSvcMgr.h"
#include "control/PlatformControl.h"
#include "platform/KivCtSvc/CtSvcTestRecords.h"

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace
{
const char* const kUri = "kiv.content.sync.sns/message";
const unsigned kTime = 1796119200u; // 2026-12-01 10:00:00 UTC

using Person = std::pair<std::string, std::string>; // person id, name

std::unique_ptr<CSnsSvcMessage> Message(int kind, const std::string& message,
                                        const std::vector<Person>& people, const std::string& thread = "t1")
{
    auto m = std::make_unique<CSnsSvcMessage>();
    m->SetThreadId(thread.c_str());
    m->SetMessageId(message.c_str());
    m->SetSpInfo(2);
    m->SetKind(kind);
    m->SetTime(kTime);
    for (const Person& p : people)
        if (kind == SNS_SVC_MSG_KIND_RECEIVED || kind == SNS_SVC_MSG_KIND_RECEIVED_2)
            m->SetSender(p.first.c_str(), p.second.c_str());
        else
            m->AddReceiver(p.first.c_str(), p.second.c_str());
    return m;
}

// A contact "<first> Lee" holding an SNS person id; "contact id|data id".
std::string SnsContact(const char* first, const char* picture, const char* person)
{
    const int nContact = ctsvctest::Add(CtSvcDbContactAdd, ctsvctest::Contact(first, "Lee", picture));
    return std::to_string(nContact) + "|" +
           std::to_string(ctsvctest::Add(CtSvcDbSnsDataAdd, ctsvctest::Sns(nContact, person)));
}

// Publishes the list as the SNS service does; true when the one subscriber took all of it.
bool Publish(const std::vector<IContentSyncData*>& data)
{
    int nTaken = -1;
    return CContentSyncMgr::Instance()->Publish(kUri, nullptr, &data, &nTaken) == 1 && nTaken == 1;
}

using SnsSyncTest = ulogtest::ServiceTest;

struct KindCase
{
    const char* label;
    int kind;
    std::vector<Person> people;
    int type;        // of every log
    int nAssertions; // an unknown kind is reported
};

class SnsKindTest : public SnsSyncTest, public ::testing::WithParamInterface<KindCase>
{
};

TEST_P(SnsKindTest, OneLogPerCorrespondentLinkedToItsOwnContactOnly)
{
    const KindCase& c = GetParam();
    const std::string ann = SnsContact("Ann", "/User/Pictures/ann.jpg", "ann.sns");
    const std::string cy = SnsContact("Cy", "", "cy.sns");
    // Ann's row exists, named as her contact: nothing of it may reach the log of the recipient after her.
    UlogInfo prior = ulogtest::MakeInfo(
        {.type = ULOG_LOG_SNS_1, .number = "", .name = "Ann Lee", .snsPersonId = "ann.sns", .snsSpInfo = 2});
    std::strcpy(prior.szCallerIdPath, "/User/Pictures/ann.jpg");
    ASSERT_TRUE(UlogAddCallLog(&prior));
    const std::string priorName =
        ulogtest::QueryDbFile(m_root, "select logname from UlogDistinctDbTable").at(0);
    ASSERT_NE(priorName, "");
    UlogCtlClearDiagnostics();

    const auto message = Message(c.kind, "m1", c.people);
    EXPECT_TRUE(Publish({message.get()}));
    std::vector<std::string> expected;
    for (const Person& p : c.people)
        expected.push_back(std::to_string(c.type) + "|" + p.first + "|" + p.second + "|" +
                           (p.first == "ann.sns"  ? ann + "|Ann|Lee|/User/Pictures/ann.jpg|" + priorName
                            : p.first == "cy.sns" ? cy + "|Cy|Lee||"
                                                  : "0|0||||") +
                           "|" + std::to_string(kTime));
    const std::string strSelect = "select logtype, snspersonid, emailname, ctprimaryid, ctdataid, firstname, "
                                  "lastname, callerid, logname, starttime from ";
    for (const char* table : {"UlogDistinctDbTable", "UlogDuplDbTable"})
        EXPECT_EQ(
            ulogtest::QueryDbFile(m_root, strSelect + table + " where syncid = 't1.m1' order by clogdbindex"),
            expected)
            << table;
    EXPECT_EQ(UlogCtlGetAssertCount(), c.nAssertions);
    EXPECT_EQ(UlogCtlDiagnosticsContain("ASSERTION_ASSERT: 0 ("), c.nAssertions > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SnsKindTest,
    ::testing::Values(KindCase{"ReceivedFromAContact", 0, {{"ann.sns", "Annie (SNS)"}}, 8, 0},
                      KindCase{"ReplyFromAStranger", 5, {{"zed", "Zed"}}, 8, 0},
                      KindCase{"SentToThree", 1, {{"ann.sns", "A."}, {"zed", "Zed"}, {"cy.sns", "Cy"}}, 7, 0},
                      KindCase{"UnknownKindTakenAsSent", 9, {{"zed", "Zed"}}, 7, 1}),
    [](const ::testing::TestParamInfo<KindCase>& info) { return std::string(info.param.label); });

struct TextCase
{
    const char* label;
    std::string thread, message, person, name;
    std::optional<std::string> subject, body;
    int failAllocAt;      // 1: the subject's conversion fails, 2: the body's
    std::string expected; // "sync id|person|name|subject|body" as stored
};

class SnsTextTest : public SnsSyncTest, public ::testing::WithParamInterface<TextCase>
{
};

TEST_P(SnsTextTest, TextsReachBothTablesIntact)
{
    const TextCase& c = GetParam();
    const char* pszSubject = c.subject ? c.subject->c_str() : nullptr;
    const char* pszBody = c.body ? c.body->c_str() : nullptr;
    const UlogCtlSnsMessage m{c.thread.c_str(), c.message.c_str(), 0, 0,       pszSubject, c.person.c_str(),
                              c.name.c_str(),   nullptr,           0, pszBody, kTime};
    if (c.failAllocAt > 0)
        UlogCtlFailAllocAt(c.failAllocAt);
    EXPECT_TRUE(UlogCtlPublishSnsMessage(&m));
    EXPECT_EQ(UlogCtlPendingAllocFaults(), 0);
    EXPECT_EQ(UlogCtlDiagnosticsContain("CSnsSvcUtil::StrCopyW: MemAlloc failed."), c.failAllocAt > 0);
    const std::string strSelect = "select syncid, snspersonid, emailname, logsubject, logcontentbody from ";
    for (const char* table : {"UlogDistinctDbTable", "UlogDuplDbTable"})
        EXPECT_EQ(ulogtest::QueryDbFile(m_root, strSelect + table), std::vector<std::string>{c.expected})
            << table;
}

const std::string k90t(90, 't'), k98p(98, 'p'), k299n(299, 'n'), k99x(99, 'x'), k98y(98, 'y');

INSTANTIATE_TEST_SUITE_P(
    Texts, SnsTextTest,
    ::testing::Values(
        TextCase{"QuotesAndPercent", "it's \"t\"", "50%_m", "o'neil%s", "O'Neil \"100%\" %s%n", "%d %s '\"",
                 "a\\b'); drop table x; --", 0,
                 "it's \"t\".50%_m|o'neil%s|O'Neil \"100%\" %s%n|%d %s '\"|a\\b'); drop table x; --"},
        TextCase{"NonAscii", "スレッド", "メッセージ", "pérson", "Zoë 😀 名前", "Grüße 😀", "Привет\nмир", 0,
                 "スレッド.メッセージ|pérson|Zoë 😀 名前|Grüße 😀|Привет\nмир"},
        // Each cut where a character would no longer fit whole: é and € are 2 and 3 bytes, 😀 two units.
        TextCase{"OverLongCutAtCharacters", k90t, "ééé€", k98p + "é", k299n + "€", k99x + "😀", k98y + "😀z", 0,
                 k90t + ".ééé|" + k98p + "|" + k299n + "|" + k99x + "|" + k98y + "😀"},
        TextCase{"NoSubjectNoBody", "t", "m", "p", "", std::nullopt, std::nullopt, 0, "t.m|p|||"},
        TextCase{"SubjectNotConverted", "t", "m", "p", "P", "subject", "body", 1, "t.m|p|P||body"},
        TextCase{"BodyNotConverted", "t", "m", "p", "P", "subject", "body", 2, "t.m|p|P|subject|"}),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.label); });

TEST_F(SnsSyncTest, ElementsWithoutASyncIdOrMessageAreRefusedAndTheOthersStored)
{
    const auto first = Message(0, "m1", {{"a", "A"}});
    const auto noThread = Message(0, "m2", {{"b", "B"}}, "");
    const auto noMessage = Message(1, "", {{"c", "C"}});
    const auto noRoom = Message(0, "m3", {{"d", "D"}}, std::string(98, 't')); // the sync id holds no "m3"
    struct : ISnsSvcRecord
    {
        ISnsSvcMessage* ToMessage() override { return nullptr; }
    } record;
    struct Plain : IContentSyncData
    {
    } plain;
    const auto last = Message(1, "m4", {{"e", "E"}});
    EXPECT_FALSE(
        Publish({first.get(), noThread.get(), noMessage.get(), noRoom.get(), &record, &plain, last.get()}));
    EXPECT_EQ(
        ulogtest::QueryDbFile(m_root, "select syncid, snspersonid from UlogDuplDbTable order by clogdbindex"),
        (std::vector<std::string>{"t1.m1|a", "t1.m4|e"}));
    for (const char* report :
         {"ASSERTION_ASSERT: strThreadID.size() > 0", "ASSERTION_ASSERT: strMessageID.size() > 0",
          "ASSERTION_ASSERT: pMessage (", "the thread id leaves no place for the message id (m3)"})
        EXPECT_TRUE(UlogCtlDiagnosticsContain(report)) << report;
    EXPECT_EQ(UlogCtlGetAssertCount(), 4);

    // A notification without a list is reported.
    EXPECT_TRUE(CUlogSvcMgr::Instance()->GetSnsSync()->OnContentSync(kUri, nullptr, nullptr));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("ASSERTION_ASSERT: pData ("));
}

TEST_F(SnsSyncTest, AFailedAddEndsTheNotificationAndOnlyAStartedServiceStores)
{
    // The first recipient's add fails: the other recipients and the next message are not stored either.
    const auto sent = Message(1, "m1", {{"a", "A"}, {"b", "B"}, {"c", "C"}});
    const auto next = Message(0, "m2", {{"d", "D"}});
    UlogCtlFailSqlAt(1);
    EXPECT_FALSE(Publish({sent.get(), next.get()}));
    EXPECT_EQ(UlogCtlPendingSqlFaults(), 0);
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("element 0 could not be stored; 1 later element(s) are not stored"));
    EXPECT_EQ(ulogtest::QueryDbFile(m_root, "select count(*) from UlogDistinctDbTable"),
              std::vector<std::string>{"0"});

    // Stopped, the service hears nothing; started again, it stores them all.
    UlogSvcDispatch(1);
    EXPECT_EQ(CContentSyncMgr::Instance()->GetSubscriberCount(kUri), 0);
    EXPECT_FALSE(Publish({sent.get(), next.get()}));
    UlogSvcDispatch(0);
    EXPECT_EQ(CContentSyncMgr::Instance()->GetSubscriberCount(kUri), 1);
    EXPECT_TRUE(Publish({sent.get(), next.get()}));
    EXPECT_EQ(ulogtest::QueryDbFile(m_root, "select snspersonid from UlogDuplDbTable order by clogdbindex"),
              (std::vector<std::string>{"a", "b", "c", "d"}));
}
} // namespace
