#define ULOG_SRC_MODULE "UlogSvcUtil/UlogSvcImgMap"
#include "UlogSvcUtil/CUlogSvcImgMap.h"

#include "H/UlogSvcDef.h"

CUlogSvcImgMap::~CUlogSvcImgMap()
{
    for (auto& entry : m_map)
        MemFreeTraceMultiHeap(entry.second, ULOG_SRC_MODULE, __LINE__);
    m_map.clear();
}

BOOL CUlogSvcImgMap::Add(int key, tagWMBITMAP& bitmap)
{
    void* pObj = MemAllocTraceEx(0, sizeof(tagWMBITMAP), ULOG_SRC_MODULE, __LINE__);
    if (!ULOG_REQUIRE(pObj != NULL))
        return FALSE;
    AcMemcpyEx(pObj, sizeof(tagWMBITMAP), &bitmap, sizeof(tagWMBITMAP), ULOG_SRC_MODULE, __LINE__);
    tagWMBITMAP* pCopy = static_cast<tagWMBITMAP*>(pObj);
    auto it = m_map.find(key);
    if (it != m_map.end())
    {
        // The replaced copy is freed, not leaked.
        MemFreeTraceMultiHeap(it->second, ULOG_SRC_MODULE, __LINE__);
        it->second = pCopy;
    }
    else
        m_map.emplace(key, pCopy);
    return TRUE;
}

BOOL CUlogSvcImgMap::Delete(int key)
{
    auto it = m_map.find(key);
    if (it == m_map.end())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "Delete: m_map doesn't have an element (%d)\n", key);
        return FALSE;
    }
    MemFreeTraceMultiHeap(it->second, ULOG_SRC_MODULE, __LINE__);
    m_map.erase(it);
    return TRUE;
}

tagWMBITMAP* CUlogSvcImgMap::GetImage(int key)
{
    auto it = m_map.find(key);
    if (it == m_map.end())
    {
        SysDebugPrintf(ULOG_DBG_FAIL, "GetImage: m_map doesn't have an element (%d)\n", key);
        return NULL;
    }
    return it->second;
}
