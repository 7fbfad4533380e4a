/*
 * KivAppFrmwk: the vCard encoder, and the whole-file write the exporters use.
 *
 * A chain of cards (_VTree, linked through pNext) becomes vCard 2.1 text as the
 * call histories of the phone-book access profile are written. Every line ends
 * with CRLF; each card is BEGIN:VCARD, VERSION:2.1, its properties in order,
 * END:VCARD.
 *
 * Properties (first value used):
 *   VPROP_DISPLAY_NAME (15)  N:<name> (the name in N's first component; a card
 *                            without it still carries an empty "N:"), then
 *                            FN:<name>. With (VPARAM_CHARSET, VPARAM_CHARSET_UTF8)
 *                            and (VPARAM_ENCODING, VPARAM_ENCODING_QP), a name
 *                            outside printable ASCII (any byte below 0x20 or
 *                            above 0x7E) is written
 *                            ";CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE", in
 *                            UTF-8, a new line as =0D=0A, long lines broken with
 *                            soft line breaks; printable ASCII is written plainly.
 *                            In both, '\', ';' and ',' are escaped with '\'.
 *   VPROP_TEL (29)           TEL:<number>
 *   VPROP_CALL_DATETIME (44) X-IRMC-CALL-DATETIME:<value>; the parameter
 *                            (VPARAM_CALL_KIND, VPARAM_CALL_*) adds ";MISSED",
 *                            ";RECEIVED" or ";DIALED".
 * Other property ids, and properties without a value, are skipped. Plain lines
 * longer than 75 bytes are folded (CRLF and one blank), never inside a UTF-8
 * sequence. Narrow values are text of the local code page.
 */
#ifndef KIV_VCARD_H
#define KIV_VCARD_H

#include "KivCore/KivCore.h"

#include <stddef.h>

#ifdef __cplusplus
extern "C"
{
#endif

#define VTREE_KIND_VCARD 1u
#define VPROP_VALUE_MAX 100

#define VPROP_DISPLAY_NAME 15u
#define VPROP_TEL 29u
#define VPROP_CALL_DATETIME 44u

#define VPARAM_CHARSET 0u
#define VPARAM_CHARSET_UTF8 1u
#define VPARAM_ENCODING 2u
#define VPARAM_ENCODING_QP 4u
#define VPARAM_CALL_KIND 40u
#define VPARAM_CALL_MISSED 1u
#define VPARAM_CALL_RECEIVED 2u
#define VPARAM_CALL_DIALED 3u

    typedef struct _VParam
    {
        unsigned int nParamId;
        unsigned int nParamValue;
        unsigned int nReserved;
        struct _VParam* pNext;
    } _VParam;

    typedef struct _VProp
    {
        unsigned int nPropId;
        _VParam* pParam;
        unsigned int nValues;
        unsigned int nReserved;
        char* pValue[VPROP_VALUE_MAX];
        struct _VProp* pNext;
        void* pReserved1;
        void* pReserved2;
    } _VProp;

    typedef struct _VTree
    {
        unsigned int nTreeKind;
        _VProp* pTop;
        _VProp* pLast;
        struct _VTree* pNext;
        void* pReserved1;
        void* pReserved2;
    } _VTree;

    /* The text of the chain from pTree, allocated with MemAllocTraceEx (free it with
     * MemFreeTraceMultiHeap); NULL for a NULL tree or when the allocation fails. */
    char* VCardEncode(const _VTree* pTree);

    /*
     * Writes length bytes as the whole content of the file at path (a handset path under the data root):
     * into a new temporary file in the same directory, synced, then renamed over the file. A reader, a
     * crash or a failure never sees part of the text, and on failure the previous file stays as it was
     * (the temporary one is removed). Missing parent directories are created. FALSE on failure, the
     * cause in SysGetLastError (SYS_ERR_BAD_PATH for a path that leaves the data root); an injected
     * file write fault fails it.
     */
    BOOL VCardWriteFile(const char* path, const char* data, size_t length);

#ifdef __cplusplus
}
#endif

#endif
