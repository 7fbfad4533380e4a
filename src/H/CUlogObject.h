/*
 * CUlogObject: the common root class of the service's classes.
 */
#ifndef CULOG_OBJECT_H
#define CULOG_OBJECT_H

class CUlogObject
{
public:
    virtual ~CUlogObject() {}
};

#endif
