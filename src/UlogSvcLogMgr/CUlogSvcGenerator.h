/*
 * CUlogSvcGenerator: builds a new log of the kind that a log type calls for.
 * Every result is allocated with new and belongs to the caller; NULL on failure.
 */
#ifndef CULOG_SVC_GENERATOR_H
#define CULOG_SVC_GENERATOR_H

#include "UlogSvc.h"
#include "H/CUlogObject.h"

class CContent;
class CUlog;
class CUlogSvcDataSet;

class CUlogSvcGenerator : public CUlogObject
{
public:
    /* A copy of the log; NULL when the log's class does not match its log type. */
    CUlog* Generate(const CUlog& log);
    CUlog* Generate(const UlogInfo& info);
    /* The log type is read from the row's log-type column (a failed read gives a call log). */
    CUlog* Generate(const CContent& row);
    CUlog* Generate(const CUlogSvcDataSet& dataSet);
};

#endif
