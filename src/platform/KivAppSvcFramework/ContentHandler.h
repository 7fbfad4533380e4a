/*
 * Content handlers: the modules that serve rows of a content URI.
 *
 * A module registers an IContentHandlerFactory for a root URI with the content
 * manager (ContentMgr.h). For each request under that root the manager asks
 * the factory for a handler of the exact URI and filter, then asks the handler
 * for its count and for blocks of rows.
 *
 * CContentDb2MgrBaseHandler serves rows out of one SQL table through the
 * statement API: any where text with 16-bit arguments bound to its "?" marks,
 * an order text, counts, deletes, inserts and updates by key.
 */
#ifndef KIV_CONTENT_HANDLER_H
#define KIV_CONTENT_HANDLER_H

#include "KivAppSvcFramework/ContentTypes.h"
#include "KivCore/KivCore.h"

#include <string>
#include <vector>

/* Values of one row to write, by column name. */
class CContentInput
{
public:
    enum Kind
    {
        KIND_NULL,
        KIND_INT,
        KIND_STRING,
        KIND_NSTRING
    };
    struct Field
    {
        std::string name;
        Kind kind = KIND_NULL;
        long long i = 0;
        std::string s;
        std::vector<WCHAR> w; /* with its terminator */
    };

    void AddInt(const std::string& column, long long value);
    void AddString(const std::string& column, const char* text);   /* NULL adds a null value */
    void AddNString(const std::string& column, const WCHAR* text); /* NULL adds a null value */
    void AddNull(const std::string& column);

    const std::vector<Field>& GetFields() const { return m_fields; }
    const Field* Find(const std::string& column) const; /* NULL when the column is not given */
    int GetCount() const { return static_cast<int>(m_fields.size()); }

private:
    std::vector<Field> m_fields;
};

/* A row to write together with the URI it is meant for. */
class CContentURIInput
{
public:
    CContentURIInput() = default;
    CContentURIInput(const std::string& uri, const CContentInput& input) : m_uri(uri), m_input(input) {}
    const std::string& GetURI() const { return m_uri; }
    CContentInput& GetInput() { return m_input; }

private:
    std::string m_uri;
    CContentInput m_input;
};

/* The handler of one request: a URI and its filter. */
class IContentHandler
{
public:
    virtual ~IContentHandler() {}

    virtual BOOL SetFilter(const CContentURI& uri, const CContentFilter* filter) = 0;
    /* TRUE when a row with this key matches the filter. */
    virtual BOOL IsContained(int id) = 0;
    /* Appends at most count rows from row start (0-based, in the filter's order). 1 when rows were
     * delivered, 0 otherwise. */
    virtual int GetContents(int start, int count, std::vector<CContent>& rows) = 0;
    virtual int GetCount() = 0; /* rows matching the filter; negative on failure */
    virtual int GetBlockSize() = 0;
    virtual int GetBlockCount() = 0;
    virtual std::string GetKeyName() = 0;
    /* Row index (in the filter's order) of the row with this key; -1 when none. */
    virtual int GetIndexWithID(int id) = 0;
    virtual int Insert(CContentInput& input) = 0;               /* rows written, -1 on failure */
    virtual int Insert(std::vector<CContentInput>& inputs) = 0; /* rows written, -1 on failure */
    virtual int Insert(std::vector<CContentURIInput>& inputs) = 0;
    virtual int Update(CContentInput& input, int id) = 0; /* rows changed, -1 on failure */
    virtual int Delete(int id) = 0;                       /* rows deleted, -1 on failure */
    virtual int Delete(std::vector<int>& ids) = 0;        /* rows deleted, -1 on failure */
    virtual int GetColumnNames(std::vector<std::string>& names) = 0;
    virtual int GetFilter(CContentFilter& filter) = 0; /* 1 when a filter was set */
    virtual int GetHint() = 0;
    virtual std::string GetSequenceKeyName() = 0;
    virtual std::string GetTableName() = 0;
    virtual int GetColumnTypes(std::vector<ContentColumnType>& types) = 0;
    virtual std::string GetWhere() = 0;
    virtual std::vector<const WCHAR*> GetWhereArg() = 0;
    virtual int GetContentID(const CContentInput& input) = 0; /* key value of the input, -1 without */
    /* Deletes every row matching the filter; rows deleted (0 for none), -1 on failure. */
    virtual int DeleteMatching() = 0;
};

/* Creates the handlers of the URIs under one root. */
class IContentHandlerFactory
{
public:
    /* A new handler for the URI and filter (filter may be NULL); the caller owns it. NULL on failure. */
    virtual IContentHandler* CreateHandler(const std::string& uri, const CContentFilter* filter) = 0;
    virtual ~IContentHandlerFactory() {}
};

/* A handler over one SQL table. Derived classes name the table and may shape the rows. */
class CContentDb2MgrBaseHandler : public IContentHandler
{
public:
    enum
    {
        /* Rows per read of a content list: enough for a list of a few hundred rows to be read, and
         * counted, by one statement. */
        DEFAULT_BLOCK_SIZE = 512
    };

    CContentDb2MgrBaseHandler() = default;
    ~CContentDb2MgrBaseHandler() override = default;

    BOOL SetFilter(const CContentURI& uri, const CContentFilter* filter) override;
    BOOL IsContained(int id) override;
    int GetContents(int start, int count, std::vector<CContent>& rows) override;
    int GetCount() override;
    int GetBlockSize() override { return DEFAULT_BLOCK_SIZE; }
    int GetBlockCount() override;
    std::string GetKeyName() override { return "rowid"; }
    int GetIndexWithID(int id) override;
    int Insert(CContentInput& input) override;
    int Insert(std::vector<CContentInput>& inputs) override;
    int Insert(std::vector<CContentURIInput>& inputs) override;
    int Update(CContentInput& input, int id) override;
    int Delete(int id) override;
    int Delete(std::vector<int>& ids) override;
    int GetColumnNames(std::vector<std::string>& names) override;
    int GetFilter(CContentFilter& filter) override;
    int GetHint() override { return 0; }
    std::string GetSequenceKeyName() override { return std::string(); }
    std::string GetTableName() override = 0;
    /* The declared kinds of the row's columns; none by default (the engine's slot kinds are used). */
    int GetColumnTypes(std::vector<ContentColumnType>& types) override;
    std::string GetWhere() override;
    std::vector<const WCHAR*> GetWhereArg() override;
    int GetContentID(const CContentInput& input) override;
    int DeleteMatching() override;

    const CContentURI& GetURI() const { return m_uri; }

protected:
    /* Builds one row from the result slots of the current statement row. The default appends every
     * slot in order, typed by GetColumnTypes where it gives a type. */
    virtual BOOL MakeContent(const Db2BindField* slots, int slotCount, CContent& row);
    /* The select list of row reads: the filter's columns, or "*". */
    std::string GetSelectList() const;
    /* " where <text>" or empty. */
    std::string WhereClause() const;

private:
    /* Creates a statement from ready text (a "%%" folds to "%", as for every statement text) and
     * binds the filter's arguments when bindArgs is set. INVALID_HOBJ on failure. */
    int CreateStatement(const std::string& sql, bool bindArgs);

    CContentURI m_uri;
    CContentFilter m_filter;
    bool m_bFilter = false;
    std::vector<ContentColumnType> m_types; /* cache of GetColumnTypes for MakeContent */
    bool m_bTypesRead = false;
};

/* Fills a statement parameter slot from 16-bit text, converting for narrow and integer slots. NULL
 * leaves the slot null. FALSE when the slot is missing. */
BOOL ContentBindWide(Db2BindField* slot, const WCHAR* value);

#endif
