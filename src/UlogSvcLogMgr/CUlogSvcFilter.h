/*
 * Filters and orders of queries over the log tables.
 *
 * CUlogSvcFilter holds the text of an SQL condition (pasted after "where"),
 * the 16-bit texts bound to its "?" marks, and an optional CUlogSvcOrder, the
 * text of an order list (pasted after "order by"). Filters own their argument
 * texts and their order; copies never share them.
 */
#ifndef CULOG_SVC_FILTER_H
#define CULOG_SVC_FILTER_H

#include "UlogSvc.h"
#include "H/CUlogObject.h"
#include "KivAppSvcFramework/ContentTypes.h"

#include <memory>
#include <string>
#include <vector>

class IUlogSvcFilter
{
public:
    virtual ~IUlogSvcFilter() {}
    /* The condition text. */
    virtual std::string GetFilter() const = 0;
    /* The bound arguments in "?" order; the texts belong to the filter. */
    virtual std::vector<unsigned short*> GetFilterArg() const = 0;
    /* The order text; empty when there is no order. */
    virtual std::string GetOrder() const = 0;
    /* The condition and its arguments for the content framework (no projection, no order). */
    virtual CContentFilter GetContentFilter() const = 0;
};

class CUlogSvcOrder : public CUlogObject
{
public:
    enum Order
    {
        ORDER_ASC = 0, /* "asc"; any other value gives "desc" */
        ORDER_DESC = 1
    };

    CUlogSvcOrder() {}
    explicit CUlogSvcOrder(const std::string& text) : m_strOrder(text) {}
    CUlogSvcOrder(const CUlogSvcOrder& other) : CUlogObject(), m_strOrder(other.m_strOrder) {}
    CUlogSvcOrder& operator=(const CUlogSvcOrder& other)
    {
        Assign(other);
        return *this;
    }
    ~CUlogSvcOrder() override {}

    BOOL Assign(const CUlogSvcOrder& other);
    BOOL SetOrder(const std::string& text);
    /* field + " asc" or field + " desc". */
    BOOL SetOrder(const std::string& field, Order order);
    /* ", " first when the text is not empty. */
    BOOL AppendOrder(const std::string& text);
    BOOL AppendOrder(const std::string& field, Order order);
    std::string GetOrder() const { return m_strOrder; }

private:
    std::string m_strOrder;
};

class CUlogSvcFilter : public IUlogSvcFilter, public CUlogObject
{
public:
    CUlogSvcFilter();
    explicit CUlogSvcFilter(const std::string& text);
    CUlogSvcFilter(const CUlogSvcFilter& other);
    CUlogSvcFilter& operator=(const CUlogSvcFilter& other);
    ~CUlogSvcFilter() override;

    /* Makes this filter an independent copy of other (text, argument texts, order). */
    BOOL Assign(const CUlogSvcFilter& other);

    /* Replaces the condition text. */
    BOOL SetFilter(const std::string& text);
    /* Replaces the condition by "field = value"; the value is quoted (quotes and '%' doubled) for the
     * text-valued fields. 0 when the quoting buffer cannot be allocated (the filter is unchanged). */
    BOOL SetFilter(const std::string& field, const std::string& value);
    BOOL SetFilter(const std::string& field, int value);
    /* Written with "%d": values above 2147483647 come out negative. */
    BOOL SetFilter(const std::string& field, unsigned int value);

    /* Appends text, after " and " (bAnd non-zero) or " or " when the condition is not empty. No
     * parentheses are added. */
    BOOL AppendFilter(const std::string& text, int bAnd);
    BOOL AppendFilter(const std::string& field, const std::string& value, int bAnd);
    BOOL AppendFilter(const std::string& field, int value, int bAnd);
    BOOL AppendFilter(const std::string& field, unsigned int value, int bAnd);

    /* Appends a copy of a 16-bit text for the next "?" mark. 0 for NULL or a failed allocation. */
    BOOL AppendFilterArg(const unsigned short* pmszValue);

    /* The filter's order becomes a copy of order. */
    BOOL SetOrder(const CUlogSvcOrder& order);

    std::string GetFilter() const override { return m_strFilter; }
    std::vector<unsigned short*> GetFilterArg() const override { return m_args; }
    std::string GetOrder() const override;
    CContentFilter GetContentFilter() const override;

    /* TRUE for the fields whose values are compared as quoted text. */
    static BOOL IsTextField(const std::string& field);

private:
    /* "field = value" with the quoting rules; FALSE when the quoting buffer cannot be allocated. */
    static BOOL MakeComparison(const std::string& field, const std::string& value, std::string& out);
    void FreeArgs();

    std::string m_strFilter;
    std::vector<unsigned short*> m_args;
    std::unique_ptr<CUlogSvcOrder> m_pOrder;
};

#endif
