/*
 * CUlogSvcImgMap: a keyed store of bitmap descriptors for the library's clients. Each entry owns its
 * own copy of the descriptor. No lock: its user serialises access.
 */
#ifndef CULOG_SVC_IMG_MAP_H
#define CULOG_SVC_IMG_MAP_H

#include "KivGWESCore/KivGWESCore.h"

#include <map>

class CUlogSvcImgMap
{
public:
    CUlogSvcImgMap() = default;
    ~CUlogSvcImgMap();

    CUlogSvcImgMap(const CUlogSvcImgMap&) = delete;
    CUlogSvcImgMap& operator=(const CUlogSvcImgMap&) = delete;

    BOOL Add(int key, tagWMBITMAP& bitmap); /* copies; a key already stored gets the new copy */
    BOOL Delete(int key);
    tagWMBITMAP* GetImage(int key); /* the stored copy, or NULL */

private:
    std::map<int, tagWMBITMAP*> m_map;
};

#endif
