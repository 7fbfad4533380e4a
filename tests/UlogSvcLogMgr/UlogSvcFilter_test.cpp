// Filters and orders: rendered texts, quoting, connectives, owned arguments, copies.
#include "UlogSvcLogMgr/CUlogSvcFilter.h"

#include "UlogSvcLogMgr/UlogTestRows.h"
#include "control/PlatformControl.h"
#include "support/PlatformFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using ulogtest::ToU16;
using ulogtest::WText;

using UlogFilterTest = ulogtest::PlatformTest;

TEST_F(UlogFilterTest, ComparisonsQuoteOnlyTheTextValuedFields)
{
    CUlogSvcFilter f;
    EXPECT_EQ(f.SetFilter("basicnumber", std::string("0123")), TRUE);
    EXPECT_EQ(f.GetFilter(), "basicnumber = '0123'");
    f.SetFilter("logtype", 2);
    EXPECT_EQ(f.GetFilter(), "logtype = 2");
    f.SetFilter("lastfirstname", std::string("O'Neil"));
    EXPECT_EQ(f.GetFilter(), "lastfirstname = 'O''Neil'");
    f.SetFilter("snspersonid", std::string(""));
    EXPECT_EQ(f.GetFilter(), "snspersonid = ''");
    f.SetFilter("callerid", std::string("100%"));
    EXPECT_EQ(f.GetFilter(), "callerid = '100%%'");
    // Fields outside the list get the value as it is.
    f.SetFilter("logname", std::string("?"));
    EXPECT_EQ(f.GetFilter(), "logname = ?");
    f.SetFilter("firstname", std::string("Ann"));
    EXPECT_EQ(f.GetFilter(), "firstname = Ann");
    for (const char* field :
         {"aliasaddress", "firstlastname", "emailname", "accountemailaddress", "emailsyncid"})
    {
        f.SetFilter(field, std::string("v"));
        EXPECT_EQ(f.GetFilter(), std::string(field) + " = 'v'");
    }
    f.SetFilter("starttime", 4000000000u);
    EXPECT_EQ(f.GetFilter(), "starttime = -294967296");
    f.SetFilter("sortindex", -5);
    EXPECT_EQ(f.GetFilter(), "sortindex = -5");
}

TEST_F(UlogFilterTest, AppendingAddsTheConnectiveOnlyAfterExistingText)
{
    CUlogSvcFilter f;
    f.AppendFilter("logtype", 1, 0);
    EXPECT_EQ(f.GetFilter(), "logtype = 1");
    f.AppendFilter("logtype", 2, 0);
    EXPECT_EQ(f.GetFilter(), "logtype = 1 or logtype = 2");
    f.AppendFilter("basicnumber", std::string("55'5"), 1);
    EXPECT_EQ(f.GetFilter(), "logtype = 1 or logtype = 2 and basicnumber = '55''5'");
    f.AppendFilter(" sortindex between 1 and 3 ", 1);
    EXPECT_EQ(f.GetFilter(),
              "logtype = 1 or logtype = 2 and basicnumber = '55''5' and  sortindex between 1 and 3 ");
    f.AppendFilter("gsmtime", 3000000000u, 1);
    EXPECT_NE(f.GetFilter().find("and gsmtime = -1294967296"), std::string::npos);

    CUlogSvcFilter g("groupid = 4");
    g.AppendFilter("istemplog = 0", 1);
    EXPECT_EQ(g.GetFilter(), "groupid = 4 and istemplog = 0");
    g.SetFilter("x = 1");
    EXPECT_EQ(g.GetFilter(), "x = 1");
}

TEST_F(UlogFilterTest, FailedQuotingLeavesTheFilterUnchanged)
{
    CUlogSvcFilter f("logtype = 1");
    UlogCtlFailNextAllocs(1);
    EXPECT_EQ(f.AppendFilter("basicnumber", std::string("123"), 1), FALSE);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pszConvert != NULL"));
    EXPECT_EQ(f.GetFilter(), "logtype = 1");
    UlogCtlFailNextAllocs(1);
    EXPECT_EQ(f.SetFilter("basicnumber", std::string("123")), FALSE);
    EXPECT_EQ(f.GetFilter(), "logtype = 1");
    UlogCtlFailNextAllocs(1);
    EXPECT_EQ(f.AppendFilterArg(WText(u"x")), FALSE);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pmszTemp != NULL"));
    EXPECT_TRUE(f.GetFilterArg().empty());
    EXPECT_EQ(f.AppendFilterArg(nullptr), FALSE);
    EXPECT_TRUE(UlogCtlDiagnosticsContain("pmszValue != NULL"));
}

TEST_F(UlogFilterTest, OrdersJoinFieldsWithTheirDirections)
{
    CUlogSvcOrder order;
    EXPECT_EQ(order.GetOrder(), "");
    order.SetOrder("sortindex", CUlogSvcOrder::ORDER_DESC);
    order.AppendOrder("logtype", CUlogSvcOrder::ORDER_ASC);
    EXPECT_EQ(order.GetOrder(), "sortindex desc, logtype asc");
    order.AppendOrder("groupid", static_cast<CUlogSvcOrder::Order>(7));
    EXPECT_EQ(order.GetOrder(), "sortindex desc, logtype asc, groupid desc");
    CUlogSvcOrder first;
    first.AppendOrder("a asc");
    EXPECT_EQ(first.GetOrder(), "a asc");
    first.SetOrder("b desc");
    EXPECT_EQ(first.GetOrder(), "b desc");

    CUlogSvcFilter f;
    EXPECT_EQ(f.GetOrder(), "");
    EXPECT_EQ(f.SetOrder(order), TRUE);
    EXPECT_EQ(f.GetOrder(), "sortindex desc, logtype asc, groupid desc");
    order.SetOrder("changed");
    EXPECT_EQ(f.GetOrder(), "sortindex desc, logtype asc, groupid desc");
    f.SetOrder(first);
    EXPECT_EQ(f.GetOrder(), "b desc");
}

TEST_F(UlogFilterTest, FiltersOwnCopiesOfTheirArguments)
{
    auto original = std::make_unique<CUlogSvcFilter>("emailaddress = ? and logname = ?");
    {
        WText a(u"ann@example.com");
        WText b(u"Ann");
        original->AppendFilterArg(a);
        original->AppendFilterArg(b);
    } // the caller's texts are gone; the filter's copies remain
    CUlogSvcOrder order("sortindex desc");
    original->SetOrder(order);

    CUlogSvcFilter copy(*original);
    CUlogSvcFilter assigned("other");
    assigned.AppendFilterArg(WText(u"old"));
    assigned = *original;
    ASSERT_EQ(copy.GetFilterArg().size(), 2u);
    EXPECT_NE(copy.GetFilterArg()[0], original->GetFilterArg()[0]);
    original.reset();

    for (const CUlogSvcFilter* f : {&copy, &assigned})
    {
        const auto args = f->GetFilterArg();
        ASSERT_EQ(args.size(), 2u);
        EXPECT_EQ(ToU16(args[0]), u"ann@example.com");
        EXPECT_EQ(ToU16(args[1]), u"Ann");
        EXPECT_EQ(f->GetFilter(), "emailaddress = ? and logname = ?");
        EXPECT_EQ(f->GetOrder(), "sortindex desc");
    }

    // Assigning a filter without an order gives a filter without an order.
    CUlogSvcFilter plain("x = 1");
    assigned = plain;
    EXPECT_EQ(assigned.GetOrder(), "");
    EXPECT_TRUE(assigned.GetFilterArg().empty());
    assigned = assigned;
    EXPECT_EQ(assigned.GetFilter(), "x = 1");
}

TEST_F(UlogFilterTest, ContentFilterCarriesConditionAndArgumentsButNoOrder)
{
    CUlogSvcFilter f("emailaddress = ?");
    f.AppendFilterArg(WText(u"a@b"));
    f.SetOrder(CUlogSvcOrder("sortindex desc"));
    CContentFilter cf = f.GetContentFilter();
    EXPECT_EQ(cf.GetWhere(), "emailaddress = ?");
    EXPECT_EQ(cf.GetOrderBy(), "");
    EXPECT_TRUE(cf.GetColumnNames().empty());
    ASSERT_EQ(cf.GetWhereArgCount(), 1);
    EXPECT_EQ(ToU16(cf.GetWhereArg(0)), u"a@b");
    EXPECT_NE(cf.GetWhereArg(0), f.GetFilterArg()[0]);

    const IUlogSvcFilter& asInterface = f;
    EXPECT_EQ(asInterface.GetFilter(), "emailaddress = ?");
    EXPECT_EQ(asInterface.GetOrder(), "sortindex desc");
}
