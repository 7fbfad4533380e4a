#define ULOG_SRC_MODULE "UlogSvcLogMgr/UlogSvcFilter"

#include "UlogSvcLogMgr/CUlogSvcFilter.h"

#include "H/UlogSvcDef.h"
#include "UlogSvcUtil/CUlogSvcUtil.h"

#include <cstring>
#include <new>

namespace
{
const char* const s_textFields[] = {"aliasaddress",        "basicnumber", "firstlastname",
                                    "lastfirstname",       "callerid",    "emailname",
                                    "accountemailaddress", "emailsyncid", "snspersonid"};

const char* Direction(CUlogSvcOrder::Order order)
{
    return (order == CUlogSvcOrder::ORDER_ASC) ? "asc" : "desc";
}

std::string FormatInt(int value)
{
    char szValue[128] = {0};
    AcSprintfSEx(szValue, sizeof(szValue), __FILE__, __LINE__, "%d", value);
    return szValue;
}

size_t WideLength(const unsigned short* text)
{
    size_t n = 0;
    while (text[n] != 0)
        ++n;
    return n;
}

/* A heap copy of a 16-bit text, or NULL. */
unsigned short* CopyArg(const unsigned short* pmszValue)
{
    const size_t nUnits = WideLength(pmszValue) + 1;
    auto* pmszTemp =
        static_cast<unsigned short*>(MemAllocTraceEx(0, nUnits * sizeof(unsigned short), __FILE__, __LINE__));
    if (pmszTemp != nullptr)
        std::memcpy(pmszTemp, pmszValue, nUnits * sizeof(unsigned short));
    return pmszTemp;
}
} // namespace

/* ------------------------------------------------------------------ */
/* CUlogSvcOrder                                                       */
/* ------------------------------------------------------------------ */

BOOL CUlogSvcOrder::Assign(const CUlogSvcOrder& other)
{
    if (this != &other)
        m_strOrder = other.m_strOrder;
    return TRUE;
}

BOOL CUlogSvcOrder::SetOrder(const std::string& text)
{
    m_strOrder = text;
    return TRUE;
}

BOOL CUlogSvcOrder::SetOrder(const std::string& field, Order order)
{
    m_strOrder = field + " " + Direction(order);
    return TRUE;
}

BOOL CUlogSvcOrder::AppendOrder(const std::string& text)
{
    if (!m_strOrder.empty())
        m_strOrder += ", ";
    m_strOrder += text;
    return TRUE;
}

BOOL CUlogSvcOrder::AppendOrder(const std::string& field, Order order)
{
    return AppendOrder(field + " " + Direction(order));
}

/* ------------------------------------------------------------------ */
/* CUlogSvcFilter                                                      */
/* ------------------------------------------------------------------ */

CUlogSvcFilter::CUlogSvcFilter() {}

CUlogSvcFilter::CUlogSvcFilter(const std::string& text) : m_strFilter(text) {}

CUlogSvcFilter::CUlogSvcFilter(const CUlogSvcFilter& other) : IUlogSvcFilter(), CUlogObject()
{
    Assign(other);
}

CUlogSvcFilter& CUlogSvcFilter::operator=(const CUlogSvcFilter& other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

CUlogSvcFilter::~CUlogSvcFilter()
{
    FreeArgs();
}

void CUlogSvcFilter::FreeArgs()
{
    for (unsigned short* p : m_args)
        MemFreeTraceMultiHeap(p, __FILE__, __LINE__);
    m_args.clear();
}

BOOL CUlogSvcFilter::Assign(const CUlogSvcFilter& other)
{
    if (this == &other)
        return TRUE;

    /* Copy every argument first, so that a failed allocation leaves the old ones in place. */
    std::vector<unsigned short*> args;
    args.reserve(other.m_args.size());
    for (const unsigned short* p : other.m_args)
    {
        unsigned short* pmszTemp = CopyArg(p);
        if (!ULOG_REQUIRE(pmszTemp != NULL))
        {
            for (unsigned short* q : args)
                MemFreeTraceMultiHeap(q, __FILE__, __LINE__);
            return FALSE;
        }
        args.push_back(pmszTemp);
    }
    FreeArgs();
    m_args.swap(args);
    m_strFilter = other.m_strFilter;

    if (other.m_pOrder != nullptr)
        return SetOrder(*other.m_pOrder);
    m_pOrder.reset();
    return TRUE;
}

BOOL CUlogSvcFilter::IsTextField(const std::string& field)
{
    for (const char* name : s_textFields)
    {
        if (field == name)
            return TRUE;
    }
    return FALSE;
}

BOOL CUlogSvcFilter::MakeComparison(const std::string& field, const std::string& value, std::string& out)
{
    out = field + " = ";
    if (!IsTextField(field))
    {
        out += value;
        return TRUE;
    }
    if (value.empty())
    {
        out += "''";
        return TRUE;
    }
    const size_t nSize = value.size() * 2 + 1;
    char* pszConvert = static_cast<char*>(MemAllocTraceEx(0, nSize, __FILE__, __LINE__));
    if (!ULOG_REQUIRE(pszConvert != NULL))
        return FALSE;
    std::memset(pszConvert, 0, nSize);
    CUlogSvcUtil::ConvertDBStringForQuery(value.c_str(), pszConvert, nSize);
    out += "'";
    out += pszConvert;
    out += "'";
    MemFreeTraceMultiHeap(pszConvert, __FILE__, __LINE__);
    return TRUE;
}

BOOL CUlogSvcFilter::SetFilter(const std::string& text)
{
    m_strFilter = text;
    return TRUE;
}

BOOL CUlogSvcFilter::SetFilter(const std::string& field, const std::string& value)
{
    std::string comparison;
    if (!MakeComparison(field, value, comparison))
        return FALSE;
    m_strFilter = comparison;
    return TRUE;
}

BOOL CUlogSvcFilter::SetFilter(const std::string& field, int value)
{
    return SetFilter(field, FormatInt(value));
}

BOOL CUlogSvcFilter::SetFilter(const std::string& field, unsigned int value)
{
    return SetFilter(field, FormatInt(static_cast<int>(value)));
}

BOOL CUlogSvcFilter::AppendFilter(const std::string& text, int bAnd)
{
    if (!m_strFilter.empty())
        m_strFilter += bAnd ? " and " : " or ";
    m_strFilter += text;
    return TRUE;
}

BOOL CUlogSvcFilter::AppendFilter(const std::string& field, const std::string& value, int bAnd)
{
    std::string comparison;
    if (!MakeComparison(field, value, comparison))
        return FALSE;
    return AppendFilter(comparison, bAnd);
}

BOOL CUlogSvcFilter::AppendFilter(const std::string& field, int value, int bAnd)
{
    return AppendFilter(field, FormatInt(value), bAnd);
}

BOOL CUlogSvcFilter::AppendFilter(const std::string& field, unsigned int value, int bAnd)
{
    return AppendFilter(field, FormatInt(static_cast<int>(value)), bAnd);
}

BOOL CUlogSvcFilter::AppendFilterArg(const unsigned short* pmszValue)
{
    if (!ULOG_REQUIRE(pmszValue != NULL))
        return FALSE;
    unsigned short* pmszTemp = CopyArg(pmszValue);
    if (!ULOG_REQUIRE(pmszTemp != NULL))
        return FALSE;
    m_args.push_back(pmszTemp);
    return TRUE;
}

BOOL CUlogSvcFilter::SetOrder(const CUlogSvcOrder& order)
{
    if (m_pOrder == nullptr)
    {
        m_pOrder.reset(new (std::nothrow) CUlogSvcOrder(order));
        if (!ULOG_REQUIRE(m_pOrder != NULL))
            return FALSE;
        return TRUE;
    }
    m_pOrder->Assign(order);
    return TRUE;
}

std::string CUlogSvcFilter::GetOrder() const
{
    return (m_pOrder != nullptr) ? m_pOrder->GetOrder() : std::string();
}

CContentFilter CUlogSvcFilter::GetContentFilter() const
{
    return CContentFilter(std::vector<std::string>(), m_strFilter, m_args, std::string());
}
