/*
 * The service's content-framework plug-in: CUlogQueryHandlerFactory, registered
 * for "ulog/log", makes a CUlogQueryHandler for each request on a log table URI.
 * The handler answers from the log tables and delivers each row as a CContent
 * of 46 columns in field-identifier order (content column 20 is the iscnap
 * column, content column 21 the isvideoshare column), with the display name
 * (content column 34) built from the contact names when the row has them.
 */
#ifndef CULOG_QUERY_HANDLER_H
#define CULOG_QUERY_HANDLER_H

#include "H/CUlogObject.h"
#include "KivAppSvcFramework/ContentHandler.h"
#include "UlogSvc.h"

#include <string>
#include <vector>

class CUlogContentFrmwkDbMgr;

class CUlogQueryHandler : public CContentDb2MgrBaseHandler, public CUlogObject
{
public:
    enum
    {
        ULOG_CONTENT_COLUMN_CNT = ULOG_DB_FIELD_CNT_MAX
    };

    CUlogQueryHandler();
    ~CUlogQueryHandler() override {}

    /* Rows from start, at most count. Requests whose filter has bound arguments are served by the
     * base class through a statement; the rows have the same layout either way. */
    int GetContents(int start, int count, std::vector<CContent>& rows) override;
    std::string GetKeyName() override;
    std::string GetTableName() override;
    int GetColumnTypes(std::vector<ContentColumnType>& types) override;

    /* The table of the handler's URI. */
    UlogDbTableType GetTableType() const;

protected:
    BOOL MakeContent(const Db2BindField* slots, int slotCount, CContent& row) override;

private:
    /* Builds a content row from the table columns of one row; cell(pos) gives the column at table
     * position pos in the engine's text form (16-bit text for the nvarchar columns), NULL for SQL
     * NULL. */
    template <class Cell> static void __MakeRow(const Cell& cell, int nNameOrder, CContent& row);

    CUlogContentFrmwkDbMgr* m_pDbMgr;
    int m_nNameOrder; /* setting 1417 for the rows of the current request */
};

class CUlogQueryHandlerFactory : public IContentHandlerFactory, public CUlogObject
{
public:
    static CUlogQueryHandlerFactory* Instance();

    IContentHandler* CreateHandler(const std::string& uri, const CContentFilter* filter) override;
};

#endif
