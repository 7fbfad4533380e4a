// The subject of log changes (observer lists, order, ownership and change types), and the log-change
// events to applications and their silencing.
#include "support/PlatformFixture.h"

#include "KivGWESCore/KivGWESCore.h"
#include "UlogSvcChangeMgr/CUlogSvcNotify.h"
#include "UlogSvcChangeMgr/CUlogSvcSubject.h"
#include "UlogSvcLogMgr/CUlogCallLog.h"
#include "UlogSvcLogMgr/CUlogSvcFilter.h"
#include "UlogSvcUtil/CUlogSvcMutex.h"
#include "control/PlatformControl.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace
{
// What the observers of one test saw, in order: who was called, and with what.
using Seen = std::tuple<CUlogSvcSubject::ChangeType, CUlogObject*, const IUlogSvcFilter*>;
struct Journal
{
    std::vector<std::string> calls;
    std::vector<Seen> seen;
    int nDestroyed = 0;
};

class RecordingObserver : public IUlogObserver
{
public:
    RecordingObserver(Journal& journal, std::string name, BOOL bResult = TRUE)
        : m_journal(journal), m_name(std::move(name)), m_bResult(bResult)
    {
    }
    ~RecordingObserver() override { ++m_journal.nDestroyed; }

    BOOL Update(CUlogSvcSubject* pSubject, CUlogObject* pObject, const IUlogSvcFilter* pFilter) override
    {
        m_journal.calls.push_back(m_name);
        m_journal.seen.emplace_back(pSubject->GetChangeType(), pObject, pFilter);
        if (m_onUpdate)
            m_onUpdate(pSubject);
        return m_bResult;
    }

    std::function<void(CUlogSvcSubject*)> m_onUpdate;

private:
    Journal& m_journal;
    std::string m_name;
    BOOL m_bResult;
};

using SubjectTest = ulogtest::PlatformTest;

// Internal observers run first, each list in order of attachment, and every observer sees the change type,
// the object and the filter; an observer's failure neither stops the walk nor reaches the caller.
TEST_F(SubjectTest, InternalObserversRunFirstAndEveryObserverSeesTheChange)
{
    Journal journal;
    CUlogSvcSubject subject;
    EXPECT_EQ(subject.GetChangeType(), CUlogSvcSubject::CHANGE_ADD);
    EXPECT_TRUE(subject.Attach(new RecordingObserver(journal, "ext1"), 1));
    EXPECT_TRUE(subject.Attach(new RecordingObserver(journal, "int1", FALSE), 0));
    EXPECT_TRUE(subject.Attach(new RecordingObserver(journal, "ext2"), 1));
    // Any value other than 1 selects the internal list.
    EXPECT_TRUE(subject.Attach(new RecordingObserver(journal, "int2"), 2));
    EXPECT_TRUE(subject.Attach(new RecordingObserver(journal, "int3"), -1));
    EXPECT_EQ(subject.GetObserverCount(), 3);
    EXPECT_EQ(subject.GetExternalObserverCount(), 2);

    CUlogCallLog log;
    CUlogSvcFilter filter;
    subject.SetChangeType(CUlogSvcSubject::CHANGE_DELETE_BY_FILTER);
    EXPECT_TRUE(subject.Notify(&log, &filter));
    EXPECT_EQ(journal.calls, (std::vector<std::string>{"int1", "int2", "int3", "ext1", "ext2"}));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcSubject::Notify: to internal observer ."));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcSubject::Notify: to external observer ."));
    subject.SetChangeType(CUlogSvcSubject::CHANGE_UPDATE_ALL_GROUP_ID);
    EXPECT_TRUE(subject.Notify(nullptr, nullptr));
    std::vector<Seen> expected(5, Seen{CUlogSvcSubject::CHANGE_DELETE_BY_FILTER, &log, &filter});
    expected.resize(10, Seen{CUlogSvcSubject::CHANGE_UPDATE_ALL_GROUP_ID, nullptr, nullptr});
    EXPECT_EQ(journal.seen, expected);
}

TEST_F(SubjectTest, SameObserverOncePerListButMayBeInBoth)
{
    Journal journal;
    {
        CUlogSvcSubject subject;
        auto* pObserver = new RecordingObserver(journal, "both");
        EXPECT_TRUE(subject.Attach(pObserver, 0));
        UlogCtlClearDiagnostics();
        EXPECT_FALSE(subject.Attach(pObserver, 0));
        EXPECT_TRUE(UlogCtlDiagnosticsContain("internal pObserver(0x"));
        EXPECT_TRUE(UlogCtlDiagnosticsContain("already registered."));
        EXPECT_TRUE(subject.Attach(pObserver, 1));
        EXPECT_FALSE(subject.Attach(pObserver, 1));
        EXPECT_TRUE(UlogCtlDiagnosticsContain("external pObserver(0x"));
        EXPECT_EQ(subject.GetObserverCount(), 1);
        EXPECT_EQ(subject.GetExternalObserverCount(), 1);

        subject.Notify(nullptr, nullptr);
        EXPECT_EQ(journal.calls.size(), 2u);
    }
    // The subject deletes it once although it sat in both lists.
    EXPECT_EQ(journal.nDestroyed, 1);
}

TEST_F(SubjectTest, DetachRemovesWithoutDeletingAndNullIsRefused)
{
    Journal journal;
    auto kept = std::make_unique<RecordingObserver>(journal, "kept");
    {
        CUlogSvcSubject subject;
        auto* pOwned = new RecordingObserver(journal, "owned");
        ASSERT_TRUE(subject.Attach(kept.get(), 0));
        ASSERT_TRUE(subject.Attach(pOwned, 1));

        // Detaching from the other list, or something never attached, is not an error.
        EXPECT_TRUE(subject.Detach(kept.get(), 1));
        EXPECT_EQ(subject.GetObserverCount(), 1);
        RecordingObserver stranger(journal, "stranger");
        EXPECT_TRUE(subject.Detach(&stranger, 0));

        EXPECT_TRUE(subject.Detach(kept.get(), 0));
        EXPECT_EQ(subject.GetObserverCount(), 0);
        subject.Notify(nullptr, nullptr);
        EXPECT_EQ(journal.calls, (std::vector<std::string>{"owned"}));
        EXPECT_EQ(journal.nDestroyed, 0);
    }
    // Only the attached one died with the subject ("stranger" left its scope too).
    EXPECT_EQ(journal.nDestroyed, 2);
    kept.reset();
    EXPECT_EQ(journal.nDestroyed, 3);

    // A null observer is a precondition failure of both.
    CUlogSvcSubject subject;
    UlogCtlClearDiagnostics();
    EXPECT_FALSE(subject.Attach(nullptr, 0));
    EXPECT_FALSE(subject.Detach(nullptr, 1));
    EXPECT_EQ(UlogCtlGetAssertCount(), 2);
    EXPECT_TRUE(UlogCtlDiagnosticsContain(
        "ASSERTION_REQUIRE: pObserver != NULL (UlogSvcChangeMgr/UlogSvcSubject:94)"));
    EXPECT_TRUE(UlogCtlDiagnosticsContain(
        "ASSERTION_REQUIRE: pObserver != NULL (UlogSvcChangeMgr/UlogSvcSubject:142)"));
    EXPECT_EQ(subject.GetObserverCount(), 0);
}

TEST_F(SubjectTest, ObserverMayChangeTheListsFromInsideUpdate)
{
    Journal journal;
    CUlogSvcSubject subject;
    auto* pFirst = new RecordingObserver(journal, "first");
    auto* pSecond = new RecordingObserver(journal, "second");
    auto* pLate = new RecordingObserver(journal, "late");
    // The first observer detaches the second and attaches a new one during the walk.
    bool bDone = false;
    pFirst->m_onUpdate = [&](CUlogSvcSubject* pSubject)
    {
        if (bDone)
            return;
        bDone = true;
        EXPECT_TRUE(pSubject->Detach(pSecond, 0));
        EXPECT_TRUE(pSubject->Attach(pLate, 1));
    };
    subject.Attach(pFirst, 0);
    subject.Attach(pSecond, 0);

    subject.Notify(nullptr, nullptr);
    EXPECT_EQ(journal.calls, (std::vector<std::string>{"first"}));
    subject.Notify(nullptr, nullptr);
    EXPECT_EQ(journal.calls, (std::vector<std::string>{"first", "first", "late"}));
    // The detached one is no longer the subject's.
    delete pSecond;
    EXPECT_EQ(journal.nDestroyed, 1);
}

class CountingObserver : public IUlogObserver
{
public:
    explicit CountingObserver(std::atomic<int>& nCalls) : m_nCalls(nCalls) {}
    BOOL Update(CUlogSvcSubject*, CUlogObject*, const IUlogSvcFilter*) override
    {
        ++m_nCalls;
        return TRUE;
    }

private:
    std::atomic<int>& m_nCalls;
};

TEST_F(SubjectTest, ListsStayWholeWhenSeveralTasksAttachAndNotify)
{
    for (bool bNamedMutex : {false, true})
    {
        SCOPED_TRACE(bNamedMutex ? "with the observer mutex" : "without the observer mutex");
        if (bNamedMutex)
        {
            ASSERT_TRUE(CUlogSvcObserverMutex::Create("UlogSvcObserver"));
        }
        std::atomic<int> nCalls{0};
        {
            CUlogSvcSubject subject;
            CountingObserver stable(nCalls);
            subject.Attach(&stable, 1);

            std::vector<std::thread> threads;
            for (int t = 0; t < 2; ++t)
                threads.emplace_back(
                    [&]
                    {
                        for (int i = 0; i < 200; ++i)
                        {
                            auto* pObserver = new CountingObserver(nCalls);
                            subject.Attach(pObserver, i % 2);
                            subject.Detach(pObserver, i % 2);
                            delete pObserver;
                        }
                    });
            threads.emplace_back(
                [&]
                {
                    for (int i = 0; i < 200; ++i)
                        subject.Notify(nullptr, nullptr);
                });
            for (std::thread& th : threads)
                th.join();
            EXPECT_GE(nCalls.load(), 200);
            EXPECT_EQ(subject.GetObserverCount(), 0);
            EXPECT_EQ(subject.GetExternalObserverCount(), 1);
            subject.Detach(&stable, 1);
        }
        if (bNamedMutex)
        {
            EXPECT_TRUE(CUlogSvcObserverMutex::Delete());
        }
    }
}
} // namespace

namespace
{
using NotifyTest = ulogtest::PlatformTest;

// Reads a field of the sent event record by its byte offset.
template <class T> T FieldAt(const WMEVENT& event, size_t offset)
{
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&event) + offset, sizeof(T));
    return value;
}

TEST_F(NotifyTest, SendPutsCodeHandlerAndTypeIntoTheEvent)
{
    EXPECT_TRUE(CUlogSvcNotify::Send(0x21, 1234));
    CUlogSvcNotify notify;
    EXPECT_TRUE(notify(7, 99));
    ASSERT_EQ(UlogCtlGetSentEventCount(), 2);

    // The event code, the handler and the type; nothing else is set.
    auto fields = [](int index)
    {
        WMEVENT event;
        EXPECT_TRUE(UlogCtlGetSentEvent(index, &event));
        return std::vector<long>{FieldAt<uint16_t>(event, 0),  FieldAt<int32_t>(event, 4),
                                 FieldAt<uint16_t>(event, 20), FieldAt<int32_t>(event, 8),
                                 FieldAt<int32_t>(event, 12),  FieldAt<int32_t>(event, 16)};
    };
    EXPECT_EQ(fields(0), (std::vector<long>{532, 1234, 0x21, 0, 0, 0}));
    EXPECT_EQ(fields(1), (std::vector<long>{532, 99, 7, 0, 0, 0}));
    EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcNotify::Send: nType (0x7)"));

    // An invalid handler gets nothing.
    EXPECT_FALSE(CUlogSvcNotify::Send(1, INVALID_HOBJ));
    EXPECT_EQ(UlogCtlGetSentEventCount(), 2);
    EXPECT_TRUE(
        UlogCtlDiagnosticsContain("CUlogSvcNotify::Send: event.notify.hDestEventHandler == INVALID_HOBJ"));
}

TEST_F(NotifyTest, ScopesSilenceEventsAndNest)
{
    CUlogSvcNotify notify;
    {
        CUlogSvcLock outer(notify);
        EXPECT_FALSE(notify(1, 10));
        EXPECT_TRUE(UlogCtlDiagnosticsContain("CUlogSvcNotify::Send: m_bEnable is FALSE"));
        {
            CUlogSvcNotify other;
            CUlogSvcLock inner(other);
            EXPECT_EQ(CUlogSvcNotify::m_nLock.load(), 2);
            EXPECT_FALSE(CUlogSvcNotify::Send(2, 10));
        }
        // Still silenced by the outer scope.
        EXPECT_FALSE(CUlogSvcNotify::Send(3, 10));
    }
    EXPECT_EQ(UlogCtlGetSentEventCount(), 0);
    EXPECT_EQ(CUlogSvcNotify::m_nLock.load(), 0);
    EXPECT_TRUE(notify(4, 10));
    EXPECT_EQ(UlogCtlGetSentEventCount(), 1);

    // A release without a lock does not silence for good.
    EXPECT_FALSE(notify.Release());
    EXPECT_EQ(CUlogSvcNotify::m_nLock.load(), 0);
    EXPECT_TRUE(CUlogSvcNotify::Send(5, 10));
    EXPECT_TRUE(notify.Lock());
    EXPECT_TRUE(notify.Release());
    EXPECT_TRUE(CUlogSvcNotify::Send(6, 10));
    EXPECT_EQ(UlogCtlGetSentEventCount(), 3);
}

TEST_F(NotifyTest, ScopesOnSeveralTasksBalanceOut)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            []
            {
                for (int i = 0; i < 2000; ++i)
                {
                    CUlogSvcNotify notify;
                    CUlogSvcLock silence(notify);
                }
            });
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(CUlogSvcNotify::m_nLock.load(), 0);
    EXPECT_TRUE(CUlogSvcNotify::Send(8, 10));
}
} // namespace
