// The content manager over a real SQL table: routing, block reads, bound arguments, writes, sync.
#include "support/PlatformFixture.h"

#include "KivAppSvcFramework/ContentMgr.h"
#include "KivAppSvcFramework/ContentSyncMgr.h"
#include "KivAppSvcFramework/KivAppSvcFrameworkInternal.h"
#include "KivCore/KivCore.h"
#include "KivGWESCore/KivGWESCore.h"
#include "control/PlatformControl.h"

#include <memory>
#include <string>
#include <vector>

namespace
{
std::vector<WCHAR> Wide(const char* s)
{
    std::vector<WCHAR> w(64, 0);
    WmConvert2PCode(w.data(), static_cast<int>(w.size()), s);
    return w;
}

// A filter with one bound argument.
CContentFilter Where(const char* where, const char* arg, const char* order = "",
                     const std::vector<std::string>& columns = {})
{
    const std::vector<WCHAR> w = Wide(arg);
    return CContentFilter(columns, where, std::vector<const WCHAR*>{w.data()}, order);
}

std::string Narrow(const WCHAR* w)
{
    char buf[128] = {0};
    if (w != nullptr)
        WmConvert2LCode(buf, sizeof(buf), w);
    return buf;
}

class ItemHandler : public CContentDb2MgrBaseHandler
{
public:
    std::string GetTableName() override { return "Items"; }
    std::string GetKeyName() override { return "id"; }
    int GetBlockSize() override { return blockSize > 0 ? blockSize : DEFAULT_BLOCK_SIZE; }
    int blockSize = 0;
};

class ItemFactory : public IContentHandlerFactory
{
public:
    IContentHandler* CreateHandler(const std::string& uri, const CContentFilter* filter) override
    {
        lastUri = uri;
        auto* h = new ItemHandler;
        h->blockSize = blockSize;
        h->SetFilter(CContentURI(uri), filter);
        return h;
    }
    std::string lastUri;
    int blockSize = 0; // of the handlers made; 0: the default
};

class ContentMgrTest : public ulogtest::PlatformTest
{
protected:
    void SetUp() override
    {
        ulogtest::PlatformTest::SetUp();
        ASSERT_GE(
            Db2QueryEx("create table Items ( id int primary key, n int, name nvarchar(20), tag varchar(10))"),
            0);
        m_mgr = CContentMgr::Instance();
        ASSERT_NE(m_mgr, nullptr);
        ASSERT_TRUE(m_mgr->RegisterHandlerFactory("test/items", &m_factory));
    }

    void AddItems(int count)
    {
        for (int i = 1; i <= count; ++i)
        {
            std::string name = "item" + std::to_string(i);
            int h = Db2StmtCreate("insert into Items values ( %d, %d, ?, 't%d' )", i, i % 7, i % 3);
            ASSERT_GE(h, 0);
            Db2BindField* p = Db2StmtGetBindParamFields(h);
            ASSERT_NE(p, nullptr);
            ASSERT_TRUE(ContentBindWide(&p[0], Wide(name.c_str()).data()));
            ASSERT_GE(Db2StmtExecute(h), 1);
            Db2StmtDestroy(h);
        }
    }

    CContentMgr* m_mgr = nullptr;
    ItemFactory m_factory;
};

// Statement handles take the lowest free slot: 1 means no statement was left open.
int NextStatementHandle()
{
    const int h = Db2StmtCreate("select count(*) from Items");
    Db2StmtDestroy(h);
    return h;
}

int Id(const CContent& row)
{
    int v = -1;
    EXPECT_TRUE(row.GetInt(0, v));
    return v;
}
} // namespace

TEST_F(ContentMgrTest, RoutesToTheLongestRegisteredRoot)
{
    ItemFactory deep;
    ASSERT_TRUE(m_mgr->RegisterHandlerFactory("test/items/deep/", &deep));
    EXPECT_EQ(m_mgr->FindFactory("test/items/deep/x"), &deep);
    EXPECT_EQ(m_mgr->FindFactory("test/items/deep"), &deep);
    EXPECT_EQ(m_mgr->FindFactory("test/items/deeper"), &m_factory);
    EXPECT_EQ(m_mgr->FindFactory("test/items"), &m_factory);
    EXPECT_EQ(m_mgr->FindFactory("test/itemsx"), nullptr);
    EXPECT_EQ(m_mgr->FindFactory("test"), nullptr);

    AddItems(3);
    IContentList* list = m_mgr->Query("test/items/deep/x", CContentFilter());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(deep.lastUri, "test/items/deep/x");
    EXPECT_EQ(list->GetCount(), 3);
    list->Release();

    EXPECT_TRUE(m_mgr->UnregisterHandlerFactory("test/items/deep"));
    EXPECT_FALSE(m_mgr->UnregisterHandlerFactory("test/items/deep"));
    EXPECT_EQ(m_mgr->FindFactory("test/items/deep/x"), &m_factory);
    EXPECT_EQ(m_mgr->Query("other/uri", CContentFilter()), nullptr);
    EXPECT_EQ(m_mgr->GetCount("other/uri", CContentFilter()), -1);
    EXPECT_EQ(m_mgr->Delete("other/uri", CContentFilter()), 0);
    EXPECT_FALSE(m_mgr->RegisterHandlerFactory("", &deep));
    EXPECT_FALSE(m_mgr->RegisterHandlerFactory("x", nullptr));
}

TEST_F(ContentMgrTest, ListReadsRowsInBlocksAndServesEveryIndex)
{
    AddItems(200);
    // A list shorter than a block is counted and read by one statement; a longer one by a first block,
    // a count and one statement per further block; an empty one by a read and a count.
    struct Case
    {
        int blockSize;
        const char* where;
        int rows;
        int statements;
    } const cases[] = {
        {0, "", 200, 1}, {64, "", 200, 1 + 1 + 3}, {100, "", 200, 1 + 1 + 1}, {64, "id > 500", 0, 2}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.blockSize) + " " + c.where);
        m_factory.blockSize = c.blockSize;
        CContentFilter filter({}, c.where, std::vector<const WCHAR*>{}, "id desc");
        const int before = UlogCtlGetSqlStatementCount();
        IContentList* list = m_mgr->Query("test/items", filter);
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->GetCount(), c.rows);
        CContent row;
        for (int i = 0; i < c.rows; ++i)
        {
            ASSERT_TRUE(list->GetContent(i, row)) << i;
            ASSERT_EQ(Id(row), 200 - i);
            EXPECT_EQ(Narrow(row.GetNString(2)), "item" + std::to_string(200 - i));
        }
        EXPECT_EQ(UlogCtlGetSqlStatementCount() - before, c.statements);
        // Indexes outside the list fail without reading.
        EXPECT_FALSE(list->GetContent(c.rows, row));
        EXPECT_FALSE(list->GetContent(-1, row));
        EXPECT_EQ(UlogCtlGetSqlStatementCount() - before, c.statements);
        if (c.rows > 0)
        {
            // Going back to an earlier block reads it again and gives the same rows; rows in place too.
            ASSERT_TRUE(list->GetContent(5, row));
            EXPECT_EQ(Id(row), 195);
            const CContent* at = list->GetContentAt(130);
            ASSERT_NE(at, nullptr);
            EXPECT_EQ(Id(*at), 70);
        }
        list->Release();
    }
}

TEST_F(ContentMgrTest, BoundArgumentsSelectRowsForTextAndNumberColumns)
{
    AddItems(20);
    std::vector<CContent> rows;
    ASSERT_TRUE(m_mgr->GetContents("test/items", Where("name = ?", "item7"), rows));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(Id(rows[0]), 7);
    EXPECT_STREQ(rows[0].GetString(3), "t1");

    // A "?" standing for an integer column takes the number in the text.
    const CContentFilter byN = Where("n = ? and id > 5", "3", "id asc");
    EXPECT_EQ(m_mgr->GetCount("test/items", byN), 2); // ids 10 and 17
    rows.clear();
    ASSERT_TRUE(m_mgr->GetContents("test/items", byN, rows));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(Id(rows[0]), 10);
    EXPECT_EQ(Id(rows[1]), 17);

    // A projection gives only the named columns.
    rows.clear();
    ASSERT_TRUE(m_mgr->GetContents("test/items", Where("id = 4", "item7", "", {"tag", "id"}), rows, 0, 5));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].GetCount(), 2);
    EXPECT_STREQ(rows[0].GetString(0), "t1");

    // Nothing matching: no rows and FALSE.
    rows.clear();
    EXPECT_FALSE(m_mgr->GetContents("test/items", Where("name = ?", "nobody"), rows));
    EXPECT_TRUE(rows.empty());
}

TEST_F(ContentMgrTest, ReadAllCrossesBlockBoundariesAndDeleteUsesTheFilter)
{
    AddItems(130);
    std::vector<CContent> rows;
    ASSERT_TRUE(
        m_mgr->GetContents("test/items", CContentFilter({}, "", std::vector<const WCHAR*>{}, "id"), rows));
    ASSERT_EQ(rows.size(), 130u);
    EXPECT_EQ(Id(rows[64]), 65);
    EXPECT_EQ(Id(rows[129]), 130);

    const CContentFilter byTag = Where("tag = ?", "t0");
    EXPECT_EQ(m_mgr->GetCount("test/items", byTag), 43);
    EXPECT_EQ(m_mgr->Delete("test/items", byTag), 1);
    EXPECT_EQ(m_mgr->GetCount("test/items", byTag), 0);
    EXPECT_EQ(m_mgr->GetCount("test/items", CContentFilter()), 87);
    // A delete that matches nothing still ran.
    EXPECT_EQ(m_mgr->Delete("test/items", byTag), 1);
}

TEST_F(ContentMgrTest, FailingStatementsGiveFailureResults)
{
    AddItems(10);
    UlogCtlFailNextSql(1);
    EXPECT_EQ(m_mgr->GetCount("test/items", CContentFilter()), -1);
    std::vector<CContent> rows;
    UlogCtlFailNextSql(1);
    EXPECT_FALSE(m_mgr->GetContents("test/items", CContentFilter(), rows, 0, 5));
    EXPECT_TRUE(rows.empty());
    UlogCtlFailNextSql(1);
    EXPECT_EQ(m_mgr->Delete("test/items", CContentFilter()), 0);
    // The engine is usable afterwards and nothing was deleted.
    EXPECT_EQ(m_mgr->GetCount("test/items", CContentFilter()), 10);

    // A list whose first read failed is empty, its count -1 (also when the count itself succeeds).
    UlogCtlFailNextSql(1);
    IContentList* list = m_mgr->Query("test/items", CContentFilter());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetCount(), -1);
    CContent row;
    EXPECT_FALSE(list->GetContent(0, row));
    list->Release();

    // A bad where text fails cleanly.
    EXPECT_EQ(m_mgr->GetCount("test/items",
                              CContentFilter({}, "nosuchcolumn = 1", std::vector<const WCHAR*>{}, "")),
              -1);
    EXPECT_EQ(NextStatementHandle(), 1);
}

TEST_F(ContentMgrTest, HandlerWritesByKeyAndFindsRows)
{
    AddItems(5);
    ItemHandler h;
    const CContentFilter byTag = Where("tag = ?", "t1", "id desc");
    h.SetFilter(CContentURI("test/items"), &byTag);
    CContentFilter copy;
    EXPECT_EQ(h.GetFilter(copy), 1);
    EXPECT_EQ(copy.GetWhere(), "tag = ?");
    EXPECT_EQ(h.GetWhereArg().size(), 1u);

    EXPECT_EQ(h.GetCount(), 2); // ids 1 and 4
    EXPECT_EQ(h.GetBlockCount(), 1);
    EXPECT_TRUE(h.IsContained(4));
    EXPECT_FALSE(h.IsContained(2));
    EXPECT_EQ(h.GetIndexWithID(4), 0);
    EXPECT_EQ(h.GetIndexWithID(1), 1);
    EXPECT_EQ(h.GetIndexWithID(2), -1);

    CContentInput in;
    in.AddInt("id", 9);
    in.AddInt("n", 42);
    std::vector<WCHAR> nine = Wide("nine");
    in.AddNString("name", nine.data());
    in.AddString("tag", "t1");
    EXPECT_EQ(h.GetContentID(in), 9);
    EXPECT_EQ(h.Insert(in), 1);
    EXPECT_EQ(h.GetCount(), 3);
    EXPECT_EQ(h.GetIndexWithID(9), 0);

    CContentInput change;
    change.AddString("tag", "t2");
    EXPECT_EQ(h.Update(change, 9), 1);
    EXPECT_FALSE(h.IsContained(9));
    EXPECT_EQ(h.Update(change, 99), 0);

    std::vector<int> ids{1, 4, 77};
    EXPECT_EQ(h.Delete(ids), 2);
    EXPECT_EQ(h.GetCount(), 0);
    EXPECT_EQ(h.Delete(9), 1);
    EXPECT_EQ(h.Delete(9), 0);
    // A duplicate key fails and leaves the table as it was.
    CContentInput dup;
    dup.AddInt("id", 2);
    EXPECT_EQ(h.Insert(dup), -1);
    std::vector<CContentURIInput> uriInputs;
    EXPECT_EQ(h.Insert(uriInputs), -1);
    ItemHandler all;
    all.SetFilter(CContentURI("test/items"), nullptr);
    EXPECT_EQ(all.GetCount(), 3); // ids 2, 3 and 5
    // The failed insert (its statement ran and was refused) left no statement open.
    EXPECT_EQ(NextStatementHandle(), 1);
}
