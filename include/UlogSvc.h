/*
 * UlogSvc: the plain-function interface of the unified log service.
 * Compiles as C11 and as C++. Every function has C linkage.
 */
#ifndef ULOG_SVC_H
#define ULOG_SVC_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C"
{
#endif

    /* ==== Basic types, enumerations, records (log record model) ==== */

#ifndef KIV_BOOL_DEFINED
#define KIV_BOOL_DEFINED
    typedef int BOOL;
#endif
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#ifndef KIV_WCHAR_DEFINED
#define KIV_WCHAR_DEFINED
    typedef unsigned short WCHAR; /* one UTF-16 code unit */
#endif
#ifndef KIV_HOBJ_DEFINED
#define KIV_HOBJ_DEFINED
    typedef int HOBJ;
#endif
#ifndef INVALID_HOBJ
#define INVALID_HOBJ ((HOBJ)-1)
#endif

/* Enumerations are 32-bit signed integers wherever they are stored or passed. */
#ifdef __cplusplus
#define ULOG_ENUM_BASE : int32_t
#else
#define ULOG_ENUM_BASE
#endif

/* Not-stored unique id, and the "no update" value of the bulk update mask. */
#define ULOG_INVALID_DB_INDEX (-1)
#define ULOG_UPDATE_NONE 0

    /* Which event a log records; selects the log class. */
    typedef enum UlogLogType ULOG_ENUM_BASE
    {
        ULOG_LOG_ORIGINATED = 0,     /* outgoing call */
        ULOG_LOG_TERMINATED = 1,     /* answered incoming call */
        ULOG_LOG_MISSED = 2,         /* missed incoming call */
        ULOG_LOG_MSG_SENT = 3,       /* sent message */
        ULOG_LOG_MSG_RECEIVED = 4,   /* received message */
        ULOG_LOG_EMAIL_SENT = 5,     /* sent e-mail */
        ULOG_LOG_EMAIL_RECEIVED = 6, /* received e-mail */
        ULOG_LOG_SNS_1 = 7,          /* outgoing SNS message, one log per recipient */
        ULOG_LOG_SNS_2 = 8,          /* incoming SNS message */
        ULOG_LOG_IM_1 = 9,           /* instant messaging, first of the pair */
        ULOG_LOG_IM_2 = 10,          /* instant messaging, second of the pair */
        ULOG_LOG_CNT_MAX = 11        /* count; never stored */
    } UlogLogType;

/* A log type is valid when 0 <= type < ULOG_LOG_CNT_MAX. */
#define _UlogIsValidLog(iLogType) ((0 <= (int)(iLogType)) && ((int)(iLogType) < (int)ULOG_LOG_CNT_MAX))
/* Call logs are the types below ULOG_LOG_MSG_SENT. */
#define _UlogIsCallLog(iLogType) ((0 <= (int)(iLogType)) && ((int)(iLogType) < (int)ULOG_LOG_MSG_SENT))

    /* Call medium (call logs only; -1 when not set). */
    typedef enum UlogCallType ULOG_ENUM_BASE
    {
        ULOG_CALL_TYPE_NONE = -1,
        ULOG_CALL_VOICE = 0,
        ULOG_CALL_VIDEO = 1,
        ULOG_CALL_TYPE_2 = 2, /* counted with the voice totals */
        ULOG_CALL_CSD = 3     /* circuit-switched data */
    } UlogCallType;

    /* Line of a dual-line subscription (-1 when not set). */
    typedef enum UlogLineType ULOG_ENUM_BASE
    {
        ULOG_LINE_NONE = -1,
        ULOG_LINE_1 = 0,
        ULOG_LINE_2 = 1
    } UlogLineType;

    /* Kind of contact number the correspondent's number is (-1: none). Values 0 to 14 are used. */
    typedef enum UlogPhoneType ULOG_ENUM_BASE
    {
        ULOG_PHONE_TYPE_NONE = -1,
        ULOG_PHONE_TYPE_0 = 0,
        ULOG_PHONE_TYPE_1 = 1,
        ULOG_PHONE_TYPE_2 = 2,
        ULOG_PHONE_TYPE_3 = 3,
        ULOG_PHONE_TYPE_4 = 4,
        ULOG_PHONE_TYPE_5 = 5,
        ULOG_PHONE_TYPE_6 = 6,
        ULOG_PHONE_TYPE_7 = 7,
        ULOG_PHONE_TYPE_8 = 8,
        ULOG_PHONE_TYPE_9 = 9,
        ULOG_PHONE_TYPE_10 = 10,
        ULOG_PHONE_TYPE_11 = 11,
        ULOG_PHONE_TYPE_12 = 12,
        ULOG_PHONE_TYPE_FDN = 13, /* a number that only a fixed-dialling entry holds */
        ULOG_PHONE_TYPE_14 = 14
    } UlogPhoneType;

    /* Origin of the contact data of a log (0: none). */
    typedef enum UlogStorageType ULOG_ENUM_BASE
    {
        ULOG_STORAGE_NONE = 0,
        ULOG_STORAGE_EMAIL_LINK = 1, /* linked through an e-mail address */
        ULOG_STORAGE_FDN = 2         /* fixed-dialling entry */
    } UlogStorageType;

    /* E-mail source type; stored and copied as a number (-1 when not set). */
    typedef enum UlogSourceType ULOG_ENUM_BASE
    {
        ULOG_SOURCE_TYPE_NONE = -1,
        ULOG_SOURCE_TYPE_0 = 0
    } UlogSourceType;

    /* How phone numbers are matched. Valid when ULOG_MATCH_EXACT <= value < ULOG_MATCH_CNT_MAX. */
    typedef enum UlogMatchType ULOG_ENUM_BASE
    {
        ULOG_MATCH_EXACT = 0,
        ULOG_MATCH_1 = 1,
        ULOG_MATCH_2 = 2,
        ULOG_MATCH_3 = 3,
        ULOG_MATCH_CNT_MAX = 4
    } UlogMatchType;

    /* Which log table an operation means. */
    typedef enum UlogDbTableType ULOG_ENUM_BASE
    {
        ULOG_DB_TABLE_DISTINCT = 0,
        ULOG_DB_TABLE_DUPL = 1
    } UlogDbTableType;

    /* Field identifiers of the log table columns (also the column order of content-framework rows). */
    typedef enum UlogDbFieldId ULOG_ENUM_BASE
    {
        ULOG_DB_ULOG_DB_INDEX = 0,
        ULOG_DB_SORT_INDEX = 1,
        ULOG_DB_GROUP_ID = 2,
        ULOG_DB_PARENT_ID = 3,
        ULOG_DB_START_TIME = 4,
        ULOG_DB_END_TIME = 5,
        ULOG_DB_WIFI_TIME = 6,
        ULOG_DB_GSM_TIME = 7,
        ULOG_DB_LOG_TYPE = 8,
        ULOG_DB_CALL_TYPE = 9,
        ULOG_DB_LINE_TYPE = 10,
        ULOG_DB_PHONE_TYPE = 11,
        ULOG_DB_STORAGE_TYPE = 12,
        ULOG_DB_CALL_COST = 13,
        ULOG_DB_CT_PID = 14,
        ULOG_DB_CT_DATA_ID = 15,
        ULOG_DB_CT_FDN_ID = 16,
        ULOG_DB_MY_ACCOUNT_ID = 17,
        ULOG_DB_SN_COUNT = 18,
        ULOG_DB_STAGE_TYPE = 19,
        ULOG_DB_IS_CNAP = 20,        /* column "iscnap": holds the video-share flag */
        ULOG_DB_IS_VIDEO_SHARE = 21, /* column "isvideoshare": holds the CNAP flag */
        ULOG_DB_IS_UNCHECKED_YET = 22,
        ULOG_DB_IS_TEMP_LOG = 23,
        ULOG_DB_ALIAS_ADDRESS = 24,
        ULOG_DB_BASIC_NUMBER = 25,
        ULOG_DB_FIRST_NAME = 26,
        ULOG_DB_LAST_NAME = 27,
        ULOG_DB_CALLER_ID = 28,
        ULOG_DB_DUMMY_STRING = 29,
        ULOG_DB_MSG_LOG_TYPE = 30,
        ULOG_DB_MSG_LOG_ID = 31,
        ULOG_DB_EMAIL_NAME = 32,
        ULOG_DB_EMAIL_ADDRESS = 33,
        ULOG_DB_LOG_NAME = 34,
        ULOG_DB_LOG_NUMBER = 35,
        ULOG_DB_LOG_SUBJECT = 36,
        ULOG_DB_LOG_CONTENT_BODY = 37,
        ULOG_DB_CONTENT_ID = 38,
        ULOG_DB_LOG_SOURCE_TYPE = 39,
        ULOG_DB_ACCOUNT_EMAIL_ADDRESS = 40,
        ULOG_DB_ACCOUNT_ID = 41,
        ULOG_DB_SYNC_ID = 42,
        ULOG_DB_SNS_PERSON_ID = 43,
        ULOG_DB_SP_INFO = 44,
        ULOG_DB_IP_CALL_DIGIT_COUNT = 45,
        ULOG_DB_FIELD_CNT_MAX = 46
    } UlogDbFieldId;

    /* vCard export selector (UlogMakeTotalVcardFileByType, UlogMakeEachVcardFileByType). */
    typedef enum UlogConvertType ULOG_ENUM_BASE
    {
        ULOG_CONVERT_COMBINED = 0,
        ULOG_CONVERT_INCOMING = 1,
        ULOG_CONVERT_OUTGOING = 2,
        ULOG_CONVERT_MISSED = 3
    } UlogConvertType;

/* Bits of the bulk update mask: each copies one part of a UlogInfo into every matched row. */
#define ULOG_UPDATE_PHONE_TYPE 0x001
#define ULOG_UPDATE_STORAGE_TYPE 0x002
#define ULOG_UPDATE_DUPL_COUNT 0x004
#define ULOG_UPDATE_NAME 0x008
#define ULOG_UPDATE_PERSON_ID 0x010
#define ULOG_UPDATE_2STAGE_ALIAS 0x020
#define ULOG_UPDATE_CALLER_ID_PATH 0x040
#define ULOG_UPDATE_TIMES 0x080
#define ULOG_UPDATE_CALL_TYPE 0x100
#define ULOG_UPDATE_VIDEO_SHARE 0x200
#define ULOG_UPDATE_DUPL_LAST_UID 0x400

/* Message log types that the service gives a meaning to (other values are only stored). */
#define ULOG_MSG_LOG_TYPE_16 16
#define ULOG_MSG_LOG_TYPE_32 32
#define ULOG_MSG_LOG_TYPE_64 64
#define ULOG_MSG_LOG_TYPE_1024 1024
#define ULOG_MSG_LOG_TYPE_2048 2048

/* Buffer sizes in places (bytes for narrow text, 16-bit units for wide text), terminator included. */
#define ULOG_NUMBER_LEN 81
#define ULOG_NAME_LEN 310
#define ULOG_CALLER_ID_PATH_LEN 772
#define ULOG_EMAIL_ADDRESS_LEN 301
#define ULOG_EMAIL_DISPLAY_NAME_LEN 301
#define ULOG_ACCOUNT_EMAIL_ADDRESS_LEN 301
#define ULOG_SYNC_ID_LEN 100
#define ULOG_SNS_PERSON_ID_LEN 100
#define ULOG_SUBJECT_LEN 101
#define ULOG_BODY_LEN 101
#define ULOG_ALIAS_ADDRESS_LEN 129
#define ULOG_2STAGE_INFO_SIZE 264

    /* The telephony library's two-stage dialling block (call logs only), copied whole. */
    typedef struct UlogVT2StageDialingInfo
    {
        int32_t iAddressType;                      /* TapiVT2StageAddressType; 0 by default */
        char aliasAddress[ULOG_ALIAS_ADDRESS_LEN]; /* narrow, at most 128 characters */
        unsigned char abRest[131];                 /* rest of the platform's block: copied, never read */
    } UlogVT2StageDialingInfo;

    /* The flat log record of the exported interface: 4700 bytes, natural alignment. */
    typedef struct UlogInfo
    {
        BOOL bCNAPLog;                                        /*    0 call */
        int32_t nReserved1;                                   /*    4 always 0 when filled by the service */
        BOOL bUncheckedYet;                                   /*    8 */
        BOOL bTempLog;                                        /*   12 */
        int32_t nUniqueId;                                    /*   16 */
        int32_t nSortIndex;                                   /*   20 */
        int32_t nGroupId;                                     /*   24 */
        int32_t nReserved2;                                   /*   28 */
        int32_t nParentId;                                    /*   32 */
        uint32_t tmStart;                                     /*   36 */
        uint32_t tmEnd;                                       /*   40 */
        uint32_t tmWiFiTotal;                                 /*   44 */
        uint32_t tmGsmTotal;                                  /*   48 */
        UlogLogType iLogType;                                 /*   52 */
        UlogCallType iCallType;                               /*   56 call */
        UlogLineType iLineType;                               /*   60 */
        UlogPhoneType iPhoneType;                             /*   64 */
        UlogStorageType iStorageType;                         /*   68 */
        int32_t nCallCost;                                    /*   72 */
        int32_t nPersonId;                                    /*   76 */
        int32_t nCtDataId;                                    /*   80 */
        int32_t nCtFdnId;                                     /*   84 */
        int32_t nMyAccountId;                                 /*   88 */
        int32_t nDuplLogCount;                                /*   92 */
        int32_t nDuplLogLastUniqueId;                         /*   96 */
        BOOL bVideoShare;                                     /*  100 call */
        char szBasicNumber[ULOG_NUMBER_LEN];                  /*  104 */
        char szNumber[ULOG_NUMBER_LEN];                       /*  185 */
        char szName[ULOG_NAME_LEN];                           /*  266 */
        char szFirstName[ULOG_NAME_LEN];                      /*  576 */
        char szLastName[ULOG_NAME_LEN];                       /*  886 */
        unsigned char abReserved3[620];                       /* 1196 */
        char szCallerIdPath[ULOG_CALLER_ID_PATH_LEN];         /* 1816 */
        WCHAR mszEmailAddress[ULOG_EMAIL_ADDRESS_LEN];        /* 2588, then a 2-byte gap */
        UlogVT2StageDialingInfo st2StageDialingInfo;          /* 3192 call */
        int32_t nMsgLogType;                                  /* 3456 message, e-mail */
        int32_t nMsgLogId;                                    /* 3460 message, e-mail */
        UlogSourceType iSourceType;                           /* 3464 e-mail */
        char szEmailDisplayName[ULOG_EMAIL_DISPLAY_NAME_LEN]; /* 3468, then a 3-byte gap */
        int32_t nAccountId;                                   /* 3772 e-mail, IM */
        char szAccountEmailAddress[ULOG_ACCOUNT_EMAIL_ADDRESS_LEN]; /* 3776 e-mail, IM */
        char szSyncId[ULOG_SYNC_ID_LEN];                            /* 4077, then a 1-byte gap */
        WCHAR mszSubject[ULOG_SUBJECT_LEN];                         /* 4178 */
        WCHAR mszBody[ULOG_BODY_LEN];                               /* 4380, then a 2-byte gap */
        int32_t nContentId;                                         /* 4584 e-mail, IM, SNS */
        char szSnsPersonId[ULOG_SNS_PERSON_ID_LEN];                 /* 4588 SNS */
        int32_t nSnsSpInfo;                                         /* 4688 SNS */
        int32_t nSpInfo;                                            /* 4692 IM */
        int32_t nIPCallDigitCount;                                  /* 4696 */
    } UlogInfo;

    /* Mailbox dialling number (voicemail) entry of the subscription: 168 bytes. */
    typedef struct MbdnInfo
    {
        int32_t bSet;      /*  0: 0 means the entry is empty */
        char szNumber[82]; /*  4: voicemail number */
        WCHAR mszName[41]; /* 86: voicemail name, at most 40 units */
    } MbdnInfo;

    /* One advice-of-charge meter value. */
    typedef struct UlogAocValue
    {
        int32_t value;
    } UlogAocValue;

    /* Advice-of-charge data of the SIM: 32 bytes, copied whole. */
    typedef struct UlogAocInfo
    {
        UlogAocValue acm;        /*  0: accumulated call meter */
        UlogAocValue acmMax;     /*  4: its maximum */
        int32_t currencyCodeLen; /*  8 */
        char currencyCode[4];    /* 12: up to three characters and a terminator */
        int32_t eppu;            /* 16: price per unit, mantissa */
        int32_t expSign;         /* 20 */
        int32_t exp;             /* 24 */
        float pricePerUnit;      /* 28 */
    } UlogAocInfo;

/* The layouts are part of the interface: checked at compile time in C and C++. */
#ifdef __cplusplus
#define ULOG_STATIC_ASSERT(cond, text) static_assert(cond, text)
#else
#define ULOG_STATIC_ASSERT(cond, text) _Static_assert(cond, text)
#endif
#define ULOG_ASSERT_OFFSET(type, field, off)                                                                 \
    ULOG_STATIC_ASSERT(offsetof(type, field) == (off), #type "." #field)

    ULOG_STATIC_ASSERT(sizeof(UlogLogType) == 4 && sizeof(UlogCallType) == 4 && sizeof(UlogLineType) == 4 &&
                           sizeof(UlogPhoneType) == 4 && sizeof(UlogStorageType) == 4 &&
                           sizeof(UlogSourceType) == 4 && sizeof(UlogMatchType) == 4 &&
                           sizeof(UlogDbTableType) == 4 && sizeof(UlogConvertType) == 4,
                       "enumerations are 32-bit");
    ULOG_STATIC_ASSERT(sizeof(UlogVT2StageDialingInfo) == 264, "two-stage dialling block size");
    ULOG_ASSERT_OFFSET(UlogVT2StageDialingInfo, iAddressType, 0);
    ULOG_ASSERT_OFFSET(UlogVT2StageDialingInfo, aliasAddress, 4);
    ULOG_ASSERT_OFFSET(UlogVT2StageDialingInfo, abRest, 133);
    ULOG_STATIC_ASSERT(sizeof(UlogInfo) == 4700, "UlogInfo size");
    ULOG_ASSERT_OFFSET(UlogInfo, bCNAPLog, 0);
    ULOG_ASSERT_OFFSET(UlogInfo, nReserved1, 4);
    ULOG_ASSERT_OFFSET(UlogInfo, bUncheckedYet, 8);
    ULOG_ASSERT_OFFSET(UlogInfo, bTempLog, 12);
    ULOG_ASSERT_OFFSET(UlogInfo, nUniqueId, 16);
    ULOG_ASSERT_OFFSET(UlogInfo, nSortIndex, 20);
    ULOG_ASSERT_OFFSET(UlogInfo, nGroupId, 24);
    ULOG_ASSERT_OFFSET(UlogInfo, nReserved2, 28);
    ULOG_ASSERT_OFFSET(UlogInfo, nParentId, 32);
    ULOG_ASSERT_OFFSET(UlogInfo, tmStart, 36);
    ULOG_ASSERT_OFFSET(UlogInfo, tmEnd, 40);
    ULOG_ASSERT_OFFSET(UlogInfo, tmWiFiTotal, 44);
    ULOG_ASSERT_OFFSET(UlogInfo, tmGsmTotal, 48);
    ULOG_ASSERT_OFFSET(UlogInfo, iLogType, 52);
    ULOG_ASSERT_OFFSET(UlogInfo, iCallType, 56);
    ULOG_ASSERT_OFFSET(UlogInfo, iLineType, 60);
    ULOG_ASSERT_OFFSET(UlogInfo, iPhoneType, 64);
    ULOG_ASSERT_OFFSET(UlogInfo, iStorageType, 68);
    ULOG_ASSERT_OFFSET(UlogInfo, nCallCost, 72);
    ULOG_ASSERT_OFFSET(UlogInfo, nPersonId, 76);
    ULOG_ASSERT_OFFSET(UlogInfo, nCtDataId, 80);
    ULOG_ASSERT_OFFSET(UlogInfo, nCtFdnId, 84);
    ULOG_ASSERT_OFFSET(UlogInfo, nMyAccountId, 88);
    ULOG_ASSERT_OFFSET(UlogInfo, nDuplLogCount, 92);
    ULOG_ASSERT_OFFSET(UlogInfo, nDuplLogLastUniqueId, 96);
    ULOG_ASSERT_OFFSET(UlogInfo, bVideoShare, 100);
    ULOG_ASSERT_OFFSET(UlogInfo, szBasicNumber, 104);
    ULOG_ASSERT_OFFSET(UlogInfo, szNumber, 185);
    ULOG_ASSERT_OFFSET(UlogInfo, szName, 266);
    ULOG_ASSERT_OFFSET(UlogInfo, szFirstName, 576);
    ULOG_ASSERT_OFFSET(UlogInfo, szLastName, 886);
    ULOG_ASSERT_OFFSET(UlogInfo, abReserved3, 1196);
    ULOG_ASSERT_OFFSET(UlogInfo, szCallerIdPath, 1816);
    ULOG_ASSERT_OFFSET(UlogInfo, mszEmailAddress, 2588);
    ULOG_ASSERT_OFFSET(UlogInfo, st2StageDialingInfo, 3192);
    ULOG_ASSERT_OFFSET(UlogInfo, nMsgLogType, 3456);
    ULOG_ASSERT_OFFSET(UlogInfo, nMsgLogId, 3460);
    ULOG_ASSERT_OFFSET(UlogInfo, iSourceType, 3464);
    ULOG_ASSERT_OFFSET(UlogInfo, szEmailDisplayName, 3468);
    ULOG_ASSERT_OFFSET(UlogInfo, nAccountId, 3772);
    ULOG_ASSERT_OFFSET(UlogInfo, szAccountEmailAddress, 3776);
    ULOG_ASSERT_OFFSET(UlogInfo, szSyncId, 4077);
    ULOG_ASSERT_OFFSET(UlogInfo, mszSubject, 4178);
    ULOG_ASSERT_OFFSET(UlogInfo, mszBody, 4380);
    ULOG_ASSERT_OFFSET(UlogInfo, nContentId, 4584);
    ULOG_ASSERT_OFFSET(UlogInfo, szSnsPersonId, 4588);
    ULOG_ASSERT_OFFSET(UlogInfo, nSnsSpInfo, 4688);
    ULOG_ASSERT_OFFSET(UlogInfo, nSpInfo, 4692);
    ULOG_ASSERT_OFFSET(UlogInfo, nIPCallDigitCount, 4696);
    ULOG_STATIC_ASSERT(sizeof(MbdnInfo) == 168, "MbdnInfo size");
    ULOG_ASSERT_OFFSET(MbdnInfo, bSet, 0);
    ULOG_ASSERT_OFFSET(MbdnInfo, szNumber, 4);
    ULOG_ASSERT_OFFSET(MbdnInfo, mszName, 86);
    ULOG_STATIC_ASSERT(sizeof(UlogAocInfo) == 32, "UlogAocInfo size");
    ULOG_ASSERT_OFFSET(UlogAocInfo, acm, 0);
    ULOG_ASSERT_OFFSET(UlogAocInfo, acmMax, 4);
    ULOG_ASSERT_OFFSET(UlogAocInfo, currencyCodeLen, 8);
    ULOG_ASSERT_OFFSET(UlogAocInfo, currencyCode, 12);
    ULOG_ASSERT_OFFSET(UlogAocInfo, eppu, 16);
    ULOG_ASSERT_OFFSET(UlogAocInfo, expSign, 20);
    ULOG_ASSERT_OFFSET(UlogAocInfo, exp, 24);
    ULOG_ASSERT_OFFSET(UlogAocInfo, pricePerUnit, 28);

    /* ==== Number comparison, SIM, advice of charge ==== */

    /* TRUE when the two numbers (at most 80 characters are looked at) denote the same party. */
    BOOL UlogStrCmp(const char* pszNumberL, const char* pszNumberR);
    /* The SIM's mobile country code / network code as a number; 0 without a SIM. */
    int UlogGetMcc(void);
    int UlogGetMnc(void);
    /* TRUE when the SIM offers advice of charge (accumulated call meter). */
    BOOL UlogIsAcmValid(void);
    /* The log's phone type for a contacts-service number kind; ULOG_PHONE_TYPE_NONE for an unknown one. */
    UlogPhoneType UlogGetPhoneType(int iCtPhoneType);
    /* For the telephony side: stores the SIM's advice-of-charge record (32 bytes are copied). FALSE for
     * NULL. The store is kept in memory only and is all zero until the first call. */
    BOOL SetAocInfo(const UlogAocInfo* pInfo);

    /* ==== Text for queries ==== */

    /* Copies pszSrc to pszDest doubling every apostrophe and every '%', so the text can stand inside
     * quotes in a query. pszDest must hold twice the length of pszSrc plus one. FALSE for NULL. */
    BOOL UlogConvertDBStringForQuery(const char* pszSrc, char* pszDest);

    /* ==== Service entry ==== */

    /* Called by the service loader: 0 starts the service and returns the result of the class
     * registration (0 on success), 1 stops it and returns the result of the class unregistration; any
     * other command is reported and answered with 0. */
    unsigned int UlogSvcDispatch(unsigned int nCommand);

/* ==== Formatting and service-code parsing ==== */

/* Places of the narrow date and time texts of the formatting functions (terminator included). */
#define ULOG_DATE_TIME_TEXT_LEN 50
/* Places of a call-cost text (terminator included); longer costs are refused. */
#define ULOG_CALL_COST_TEXT_LEN 64

/* Call-cost forms (flags of UlogMakeCallCostFormat). */
#define ULOG_COST_VALUE 0x1u            /* the value */
#define ULOG_COST_CURRENCY 0x2u         /* the currency */
#define ULOG_COST_VALUE_CURRENCY 0x4u   /* value, a blank, currency */
#define ULOG_COST_CURRENCY_VALUE 0x8u   /* currency, a blank, value */
#define ULOG_COST_VALUE_NONZERO 0x1001u /* the value; empty when it is zero */
#define ULOG_COST_VALUE_CURRENCY_NONZERO 0x1004u
#define ULOG_COST_CURRENCY_VALUE_NONZERO 0x1008u
#define ULOG_COST_CURRENCY_ONLY 0x2002u              /* the currency */
#define ULOG_COST_VALUE_CURRENCY_IF_CURRENCY 0x2004u /* empty when there is no currency */
#define ULOG_COST_CURRENCY_VALUE_IF_CURRENCY 0x2008u

    /*
     * Writes the call cost 10^e x ppu x units (e = exponent, negated when expSign is 1) as 16-bit text
     * into pmszBuf (ULOG_CALL_COST_TEXT_LEN units). The value is rounded to cents, halves away from zero,
     * and written without trailing zeros: 6, 5.5, 3.75, 1.01 (for 1.005). The currency code is GSM
     * default alphabet text of nCurrencyLength (0 to 3) characters; without one the forms with a value
     * show the value alone and the currency forms are empty. FALSE for a NULL argument, a currency
     * longer than 3, a cost that does not fit, or an unknown flags value (the buffer is then untouched).
     */
    BOOL UlogMakeCallCostFormat(unsigned long flags, unsigned long units, int ppu, int expSign, int exponent,
                                const char* pszCurrencyCode, int nCurrencyLength, unsigned short* pmszBuf);

    /* What UlogParseIsValidCode reports: the position of the matched barring command (0 to 14), one of
     * the two password-change forms below, or ULOG_PARSE_CODE_NONE. */
    typedef int32_t UlogParseCode;
#define ULOG_PARSE_CODE_NONE (-1)
#define ULOG_PARSE_CODE_PWD_CHANGE_STAR 22  /* "*03**..." */
#define ULOG_PARSE_CODE_PWD_CHANGE_DSTAR 23 /* "**03**..." */

    /* Kind of a dialled string. */
    typedef enum UlogParseState ULOG_ENUM_BASE
    {
        ULOG_PARSE_STATE_NORMAL = 0, /* an ordinary string */
        ULOG_PARSE_STATE_SS = 2,     /* a supplementary-service command */
        ULOG_PARSE_STATE_CLI = 3     /* begins with a calling-line-identity prefix ("*31#", "#31#") */
    } UlogParseState;

    /* TRUE when the dialled string begins with a call-barring or barring-password command; *pCode tells
     * which (ULOG_PARSE_CODE_NONE and FALSE when none). */
    BOOL UlogParseIsValidCode(const char* pszInput, UlogParseCode* pCode);
    /* TRUE when the dialled string is a call-barring command that carries a barring password. */
    BOOL UlogParseIsValidLockCode(const char* pszInput);

    /* ==== Statistics ==== */

    /* Call-time totals in seconds, per direction (ULOG_LOG_ORIGINATED or ULOG_LOG_TERMINATED), call type
     * (ULOG_CALL_VOICE, ULOG_CALL_VIDEO, ULOG_CALL_CSD) and line (ULOG_LINE_1 or ULOG_LINE_2; video calls
     * are all counted on line 1). A reset clears the figure at once; "Ulog.ini" keeps the old total until
     * that direction is next written. Other arguments give FALSE / 0. */
    BOOL UlogResetTotalCallTime(UlogLogType iLogType, UlogCallType iCallType, UlogLineType iLineType);
    unsigned int UlogGetTotalCallTime(UlogLogType iLogType, UlogCallType iCallType, UlogLineType iLineType);
    /* Durations in seconds of the last voice, video and any call. */
    unsigned int UlogGetLastVoiceCallTime(void);
    unsigned int UlogGetLastVideoCallTime(void);
    unsigned int UlogGetLastCallTime(void);
    BOOL UlogResetLastVoiceCallTime(void);
    BOOL UlogResetLastVideoCallTime(void);
    BOOL UlogResetLastCallTime(void);
    /* The accumulated call time in seconds. Adding fails (FALSE, nothing changes) with a test SIM. */
    BOOL UlogAddLifeTime(unsigned int tmTime);
    BOOL UlogSetLifeTime(unsigned int tmTime);
    unsigned int UlogGetLifeTime(void);

    /* The messages and e-mails sent and received since their counters were last reset (Ulog.ini,
     * shared by every process of the data root); a count as stored. */
    int UlogGetSentMessageCount(void);
    int UlogGetReceivedMessageCount(void);
    int UlogGetSentEmailCount(void);
    int UlogGetReceivedEmailCount(void);

    /* ==== The address book ==== */

    /* Fills the contact fields of a log that is about to be added from the address book, as the service
     * keeps them for stored logs (and as a dialer does before it adds an event): an SNS log by its SNS
     * person id, an IM log by its IM address, a message or e-mail log that has an e-mail address by the
     * address, any other log by its number (a contact's number, the oldest match; else an FDN entry).
     * Written: nPersonId, nCtDataId, nCtFdnId, nMyAccountId, szFirstName, szLastName, szName (the display
     * name, by the name-order setting), szCallerIdPath, and iPhoneType and iStorageType where the record
     * gives them; an e-mail log also takes the display name as szEmailDisplayName. TRUE when a contact or
     * FDN entry was found; FALSE when none holds the key (ULOG_ERR_NOT_FOUND) or the address book cannot
     * be read (its cause, such as ULOG_ERR_IO, else ULOG_ERR_FAILED); the record is unchanged when FALSE. */
    BOOL UlogFillContactInfo(UlogInfo* pUlogInfo);

    /* ==== Full contact sync ==== */

    /*
     * After a bulk change of the address book (an import, a restore, a SIM swap) the logs are brought in
     * step by one pass over every stored row on the service's task "UlogCtFullSyncTask", instead of one
     * update per changed record. While the pass is pending or running, the file
     * "/User/Ulog/CtFullSyncCheckDummy.txt" under the data root exists and the per-record updates stand
     * aside; the pass removes it once every row has been re-linked (and runs once more first when the
     * address book was changed while it ran). A pass cut short (a stop, the process killed) leaves the
     * file, and the next start of the service runs a new pass. The service registers
     * ContactFullSyncCallback with the contacts service at start, so a bulk import of the contacts
     * service announces and requests the pass by itself.
     */

    /* nEvent 0 announces a bulk change: the file is created (TRUE when it exists now). Any other value
     * requests a pass once the change is written; it returns at once (TRUE when the request reached the
     * task). The pointers are not read. */
    BOOL ContactFullSyncCallback(int nEvent, void* pUserData, void* pReserved);
    /* Requests a pass when the file exists (a pass left unfinished). TRUE. */
    BOOL RestartContactFullSyncCallback(void);
    /* Stops the full sync: a running pass returns at its next row leaving the file, and requests are
     * ignored until the service is started again. Returns without waiting for the pass. TRUE. */
    BOOL UlogSvcStopCtFullSync(void);

    /* ==== Following the changes of the logs ==== */

    /* A change of the logs: nChangeType is the kind of change (0 an event stored, 1 a row updated, 3 a
     * temporary log completed, 5 a row renamed after the voicemail number, 6 the rows of a log type
     * renamed, 7 and 8 check status changed, 9 group ids changed, 2 contact fields of rows rewritten after a
     * change of the address book, 11 a row deleted with its events, 12 rows deleted by a filter, 13 every
     * row, or every row of a type, deleted); nUniqueId is the row's
     * unique id, or -1 for a change of many rows. */
    typedef void (*UlogChangeCallback)(int nChangeType, int nUniqueId, void* pUserData);
    /* Registers the application's callback (replacing the previous one; NULL removes it). It is called
     * once for each change, after the change is committed (a change that fails is never announced), on
     * the thread that made the change and while the service lock is held: it may call the service's
     * functions, but must not wait for another thread that does. 1 on success. */
    BOOL UlogSvcSetChangeCallback(UlogChangeCallback pfnCallback, void* pUserData);

    /* ==== Why the last call failed ==== */

    /*
     * Every exported function that stores, deletes or reads logs or statistics leaves, for the calling
     * thread, why it failed: ULOG_ERR_NONE after a success, else one of the codes below with a short
     * text (the text in brackets). The record is kept until the thread's next such call.
     */
    typedef enum UlogErrorCode
    {
        ULOG_ERR_NONE = 0,             /* "no error" */
        ULOG_ERR_FAILED = 1,           /* "operation failed": any other failure */
        ULOG_ERR_INVALID_ARGUMENT = 2, /* "invalid argument": a NULL record, a type or field out of range */
        ULOG_ERR_NOT_FOUND = 3,        /* "no such log" */
        ULOG_ERR_DB_FULL = 4,          /* "database is full": no space left on the data root */
        ULOG_ERR_READ_ONLY = 5,        /* "data root is read-only" */
        ULOG_ERR_DB_BUSY = 6,          /* "database is busy": another process held it past the wait */
        ULOG_ERR_DB_CORRUPT = 7,       /* "database is damaged": the file is not a log database */
        ULOG_ERR_DB_CANT_OPEN = 8,     /* "database cannot be opened" */
        ULOG_ERR_OUTSIDE_ROOT = 9,     /* "path leads outside the data root": a link out of the root */
        ULOG_ERR_NO_MEMORY = 10,       /* "out of memory" */
        ULOG_ERR_IO = 11,              /* "input/output error" */
        ULOG_ERR_STATISTICS = 12       /* "statistics could not be stored" (Ulog.ini or the settings) */
    } UlogErrorCode;

    /* The calling thread's last failure; *ppszText (when ppszText is not NULL) gets its short text, a
     * static string that lives as long as the library. */
    UlogErrorCode UlogGetLastError(const char** ppszText);

    /* ==== Call-log functions ==== */

    /*
     * The distinct log table: one row per correspondent and log type, the newest event with the number
     * of events behind it. BOOL results are 1 for success and 0 for failure; a NULL record where one is
     * required is reported and answered with 0. "type" arguments outside 0 to 10 match no row.
     */

    /* Stores one event. The record is then refilled from the stored log, so that the caller learns its
     * unique id, sort index, group id, parent id and counts. 0 (record unchanged) for NULL or a log type
     * outside 0 to 10. */
    BOOL UlogAddCallLog(UlogInfo* pUlogInfo);
    /* Empties the distinct table. */
    BOOL UlogDeleteAllCallLog(void);
    /* Deletes the row of the unique id and, with it, its events. 1 once both are gone; 0 when no row has
     * that id (ULOG_ERR_NOT_FOUND) or the delete failed (nothing was deleted). */
    BOOL UlogDeleteCallLog(int nUniqueId);
    /* *pnCount = the number of rows of the type; 1, or 0 (reported) for a NULL pnCount. */
    BOOL UlogGetCallLogCount(UlogLogType iLogType, int* pnCount);
    int UlogGetCallLogCountEx(UlogLogType iLogType);
    /* *pnCount = the number of rows of the type; 0 (reported) for a NULL pnCount. */
    BOOL UlogGetToolbarOnLogCount(UlogLogType iLogType, int* pnCount);
    BOOL UlogGetCallLogInfoByUniqueID(int nUniqueId, UlogInfo* pUlogInfo);
    /* Every row of the type into the array (record i at pUlogInfo + i); the caller supplies room for
     * UlogGetCallLogCountEx(iLogType) records. 1 with nothing written when the type has no rows. */
    BOOL UlogGetAllCallLogInfo(UlogLogType iLogType, UlogInfo* pUlogInfo);
    /* UlogGetAllCallLogInfo can write past the caller's array: another thread or process may add a row
     * between the caller's count and this read. UlogGetAllCallLogInfoEx takes the array's capacity in
     * records and never writes more; *pnFilled (when not NULL) gets the number written. 1 on success
     * (also when rows beyond the capacity were left out), 0 when the rows could not be read, for a NULL
     * array with a capacity above 0, or for a negative capacity. */
    BOOL UlogGetAllCallLogInfoEx(UlogLogType iLogType, UlogInfo* pUlogInfo, int nCapacity, int* pnFilled);
    /* The row of the type (of any type) with the lowest (highest) sort index: the least (most) recently
     * touched one. 0, record untouched, when there is none. */
    BOOL UlogGetFirstCallLogByType(UlogLogType iLogType, UlogInfo* pUlogInfo);
    BOOL UlogGetLastCallLogByType(UlogLogType iLogType, UlogInfo* pUlogInfo);
    BOOL UlogGetFirstCallLog(UlogInfo* pUlogInfo);
    BOOL UlogGetLastCallLog(UlogInfo* pUlogInfo);
    /* Copies the parts of the record that iUpdateType (ULOG_UPDATE_... bits) selects into every row whose
     * number matches the record's. ULOG_UPDATE_NONE is refused (checked before the record). */
    BOOL UlogSetAllCallLogInfo(int iUpdateType, const UlogInfo* pUlogInfo);
    /* Finishes a temporary log: its final data and its call time. */
    BOOL UlogUpdateTempPrevLog(const UlogInfo* pUlogInfo);
    /* Rewrites the row of the record's unique id. */
    BOOL UlogUpdateCallLog(const UlogInfo* pUlogInfo);
    /* Renames the rows of the voicemail number. */
    BOOL UlogUpdateCallLogNameByVoicemail(const MbdnInfo* pMbdnInfo);
    /* The rows not looked at yet (of every type), at most nMax of them, into the array. */
    BOOL UlogGetUnreadMissedCallLog(UlogInfo* pUnreadMissedLog, int nMax);
    /* Both give the number of missed-call rows. */
    int UlogGetUnreadTotalMissedCount(void);
    int UlogGetUnreadMissedLogCount(void);
    /* Sets the check status of every row (1 not looked at yet, 0 looked at). */
    BOOL UlogSetAllUnreadMissedStatus(int nStatus);
    /* Position of the row in the list of all rows; -1 when absent. */
    int UlogGetIndex(int nUniqueId);
    /* Sum and average of a field (a UlogDbFieldId) over the table. */
    int UlogGetSum(int nField);
    int UlogGetAverage(int nField);
    /* Passed to the query manager, which accepts and ignores them (TRUE). */
    BOOL UlogSetFilter(int nFilter);
    BOOL UlogSetOrder(int nOrder1, int nOrder2, int nOrder3, int nOrder4);
    /* Iterator handles (walk them with the UlogSvcIterator... functions, then release them): all rows,
     * the rows of one type, the rows holding the largest (smallest) value of a field (a UlogDbFieldId).
     * 0 when the list cannot be made, INVALID_HOBJ when it cannot be registered. */
    HOBJ UlogGetAllLogInfo(void);
    HOBJ UlogGetAllLogInfoByType(UlogLogType iLogType);
    HOBJ UlogGetMaxLogInfo(int nField);
    HOBJ UlogGetMinLogInfo(int nField);

    /* ==== Duplicate-log functions ==== */

    /* The duplicate log table: one row per event, tied to its distinct row by nParentId. Read only. */

    /* The number of events of the type. */
    int UlogGetDuplLogCount(UlogLogType iLogType);
    /* *pnCount = the number of events of the type not looked at yet; 0 (reported) for a NULL pnCount. */
    BOOL UlogGetDuplLogUncheckedCount(UlogLogType iLogType, int* pnCount);
    /* Iterator handles, as the call-log ones, over the events. */
    HOBJ UlogGetDuplAllLogInfo(void);
    HOBJ UlogGetDuplAllLogInfoByType(UlogLogType iLogType);
    HOBJ UlogGetDuplMaxLogInfo(int nField);
    HOBJ UlogGetDuplMinLogInfo(int nField);
    /* Position of the event among all events; -1 when absent. */
    int UlogGetDuplIndex(int nUniqueId);
    int UlogGetDuplSum(int nField);
    int UlogGetDuplAverage(int nField);
    BOOL UlogSetDuplFilter(int nFilter);
    BOOL UlogSetDuplOrder(int nOrder1, int nOrder2, int nOrder3, int nOrder4);

    /* ==== vCard export of the call history ==== */

    /*
     * Call logs leave the handset as vCard 2.1 files, as the phone-book access profile's call histories
     * are written: per log one card with N and FN (the display name; an empty N when there is none; a
     * name outside printable ASCII in UTF-8, quoted-printable), TEL (the number) and
     * X-IRMC-CALL-DATETIME (the start time in the handset's local time, "YYYYMMDDTHHMMSS", with
     * ;MISSED, ;RECEIVED or ;DIALED for a call log), in the order of the log lists. Lines end with CRLF.
     * pszFilePathName is a directory under the data root (created when missing); a path that leaves
     * the root is refused (ULOG_ERR_OUTSIDE_ROOT). Every file is written whole: a temporary file in the
     * same directory renamed over the old one, so a failed export leaves the previous file as it was.
     * With no log of the kind nothing is written and the result is FALSE (ULOG_ERR_NOT_FOUND; also for
     * a log with no name, number or time); a kind out of range or a NULL path: ULOG_ERR_INVALID_ARGUMENT.
     */

    /* All logs of the kind into one file in the directory: ULOG_CONVERT_COMBINED "cch.vcf" (dialled,
     * received and missed calls), _INCOMING "ich.vcf", _OUTGOING "och.vcf", _MISSED "mch.vcf". The
     * combined export first rewrites "MoxSetMemoryStatus.ini" (the numbers of stored calls per list),
     * even when the export then fails. */
    BOOL UlogMakeTotalVcardFileByType(UlogConvertType iVcfType, const char* pszFilePathName);
    /* One file per log, "0.vcf", "1.vcf", ... in list order; ULOG_CONVERT_COMBINED takes every log
     * (messages and e-mails too). Files already written stay when a later one fails. */
    BOOL UlogMakeEachVcardFileByType(UlogConvertType iVcfType, const char* pszFilePathName);

    /* ==== Iterator handles ==== */

    /*
     * Handles are 1, 2, 3, ... in the order they are handed out; a released handle is never reused.
     * Walk: UlogSvcIteratorMoveFirst(h); while (!UlogSvcIteratorIsDone(h)) { UlogSvcIteratorGetCurItem(h,
     * &info); UlogSvcIteratorMoveNext(h); } UlogSvcIteratorRelease(h);
     * INVALID_HOBJ is reported; an unknown or released handle is a no-op (IsDone and GetCurItem give 0).
     */
    void UlogSvcIteratorMoveFirst(HOBJ hIterator);
    void UlogSvcIteratorMoveNext(HOBJ hIterator);
    BOOL UlogSvcIteratorIsDone(HOBJ hIterator);
    /* Copies the current log into the record; 0 for NULL or when the walk is done. */
    BOOL UlogSvcIteratorGetCurItem(HOBJ hIterator, UlogInfo* pUlogInfo);
    void UlogSvcIteratorRelease(HOBJ hIterator);

    /* ==== Frequent correspondents and photo favourites ==== */

    /*
     * The photo favourites are the contacts the user calls and writes to most: among the rows of the
     * call-log list that are outgoing calls or sent messages (message log type 64 left out) and linked
     * to a contact, the basic numbers ranked by their summed event counts, then by their most recently
     * touched row. Each favourite is given as every row of the list with its basic number (of any log
     * type: its received calls, missed calls, ... too), in rank order.
     */

    /* One row of a favourite: 1872 bytes, natural alignment. */
    typedef struct UlogPhotoFvrInfo
    {
        int32_t nPersonId;                            /*    0: contact person id */
        UlogStorageType iStorageType;                 /*    4 */
        char szBasicNumber[ULOG_NUMBER_LEN];          /*    8 */
        char szNumber[ULOG_NUMBER_LEN];               /*   89 */
        char szName[ULOG_NAME_LEN];                   /*  170: display name */
        unsigned char abReserved[620];                /*  480: never written by the service */
        char szCallerIdPath[ULOG_CALLER_ID_PATH_LEN]; /* 1100: caller-id picture */
    } UlogPhotoFvrInfo;

    ULOG_STATIC_ASSERT(sizeof(UlogPhotoFvrInfo) == 1872, "UlogPhotoFvrInfo size");
    ULOG_ASSERT_OFFSET(UlogPhotoFvrInfo, nPersonId, 0);
    ULOG_ASSERT_OFFSET(UlogPhotoFvrInfo, iStorageType, 4);
    ULOG_ASSERT_OFFSET(UlogPhotoFvrInfo, szBasicNumber, 8);
    ULOG_ASSERT_OFFSET(UlogPhotoFvrInfo, szNumber, 89);
    ULOG_ASSERT_OFFSET(UlogPhotoFvrInfo, szName, 170);
    ULOG_ASSERT_OFFSET(UlogPhotoFvrInfo, abReserved, 480);
    ULOG_ASSERT_OFFSET(UlogPhotoFvrInfo, szCallerIdPath, 1100);

    /* Fills pFvrInfo[0], pFvrInfo[1], ... with the rows of the nCount best-ranked favourites, at most
     * nCount records (a favourite's rows may be cut short by that limit): person id, storage type,
     * basic number, number, display name and picture, each text terminated; abReserved is left as the
     * caller wrote it. When fewer rows exist, only those records are written and the rest of the array
     * is untouched: the caller learns how many were filled from UlogGetPhotoFavouritesLogsEx.
     * 1 on success (nothing written for nCount 0); 0 with nothing written for a NULL array
     * or a negative nCount (ULOG_ERR_INVALID_ARGUMENT) or when the logs cannot be read. */
    BOOL UlogGetPhotoFavouritesLogs(int nCount, UlogPhotoFvrInfo* pFvrInfo);
    /* The same; *pnFilled (when not NULL) gets the number of records written (0 on failure). */
    BOOL UlogGetPhotoFavouritesLogsEx(int nCount, UlogPhotoFvrInfo* pFvrInfo, int* pnFilled);
    /* Deletes the logs of the favourites of the first nCount records: every row whose basic number is
     * the record's, of every log type, with its events; the change is announced (change 12 per record).
     * Only szBasicNumber is read. 1 when every delete succeeded (also when no row had the number, and
     * for nCount 0); 0 for a NULL array, a negative nCount or a record without a basic number
     * (ULOG_ERR_INVALID_ARGUMENT, nothing deleted), or when a delete failed. */
    BOOL UlogDeletePhotoFavouritesLog(const UlogPhotoFvrInfo* pFvrInfo, int nCount);
    /* The same for one record. */
    BOOL UlogDeleteSinglePhotoFavouritesLog(const UlogPhotoFvrInfo* pFvrInfo);

    /* The correspondents of one log type contacted most often: its rows of the call-log list with the
     * highest event counts first, at most nCapacity of them, into pUlogInfo; *pnFilled (when not NULL)
     * gets the number written. 1 on success; 0 for a NULL array with nCapacity above 0, a negative
     * nCapacity or a type outside 0 to 10 (ULOG_ERR_INVALID_ARGUMENT), or when the rows cannot be read. */
    BOOL UlogGetFrequentLogs(UlogLogType iLogType, int nCapacity, UlogInfo* pUlogInfo, int* pnFilled);
    /* ==== Dates, times and call times for the log screens ==== */

    /*
     * Text of a log's time (t: UTC seconds) or call time as the handset's list screens show it, in the
     * handset's locale and time zone, narrow text of the local code page. Each writes its whole text and
     * terminator into pszBuf of nLen places (ULOG_DATE_TIME_TEXT_LEN always suffices) and returns 1; it
     * returns 0 and leaves the buffer untouched for a NULL buffer, a length below 1 (both reported) or a
     * buffer too short for the text. "Today" and "yesterday" are days of the handset's calendar.
     */

    /* The main list: the time alone for a log of today, the yesterday word ("Yesterday"), else the date. */
    BOOL UlogConvertDateTimeFormatForMainList(unsigned long t, char* pszBuf, int nLen);
    /* A log's detail: its date and time. */
    BOOL UlogConvertDateTimeFormat(unsigned long t, char* pszBuf, int nLen);
    /* The zoomed list: the date without the year, and the time. */
    BOOL UlogConvertDateTimeFormatForZoomedList(unsigned long t, char* pszBuf, int nLen);
    /* The missed-call pop-up: the today or yesterday word and the time ("Today 8:05 AM"), else date and
     * time. */
    BOOL UlogConvertDateTimeFormatForMissedPopup(unsigned long t, char* pszBuf, int nLen);
    /* The clock time of t alone. */
    BOOL UlogConvertClockTimeFormat(unsigned long t, char* pszBuf, int nLen);
    /* A call time of sec seconds as hours, minutes and seconds: "01:02:05", "100:00:00". */
    BOOL UlogConvertCallTimeFormat(unsigned long sec, char* pszBuf, int nLen);
    /* ==== Data root of an application ==== */

    /*
     * Every file of the service lives under one host directory, the data root: the log database
     * System/ulog.db (with its -wal and -shm files), the statistics Ulog.ini, the settings, the address
     * book System/contacts.db, the diagnostics System/debug.log and the exports. It is the directory
     * given to UlogSetDataRoot, else $ULOG_ROOT, else ./ulog-data (relative to the working directory).
     *
     * UlogSetDataRoot chooses it, and creates it when missing: call it before the service starts
     * (UlogSvcDispatch(0)). While the service runs the call is refused (FALSE, ULOG_ERR_FAILED) and the
     * root stays as it was; after UlogSvcDispatch(1) another root may be chosen. FALSE also for NULL or
     * an empty name (ULOG_ERR_INVALID_ARGUMENT) and when no directory can be made there (ULOG_ERR_IO).
     */
    BOOL UlogSetDataRoot(const char* pszDir);
    /* ==== XML export of every log ==== */

    /*
     * Every stored log (one per correspondent and log type, newest first) is written into
     * "/User/UlogSvc/Ulogs.xml" under the data root, for other applications to read: UTF-8, one "ulog"
     * element per log inside the root "ulogs", any stored text well-formed. The first log is written at
     * once, the rest on the ticks of a timer (every 100 ms; more logs on each tick), so the caller polls
     * UlogGetXmlExportStatus until the export is done. The file is written under a temporary name and
     * renamed over "Ulogs.xml" when it is complete: until then, and when the export fails, the previous
     * file stays as it was. Starting an export while one runs abandons the running one and starts over.
     */

    /* Starts the export. FALSE when no log is stored (ULOG_ERR_NOT_FOUND; nothing written or removed),
     * or when the logs cannot be read or the file cannot be written (the cause, else ULOG_ERR_FAILED).
     * With one log the export is done when this returns. */
    BOOL UlogConvertAll2Xml(void);
    /* *pbDone: the export started last has ended; *pbSucceeded: the export that ended last wrote the
     * whole file. Both FALSE before the first export. FALSE (ULOG_ERR_INVALID_ARGUMENT) for a NULL
     * pointer. */
    BOOL UlogGetXmlExportStatus(BOOL* pbDone, BOOL* pbSucceeded);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ULOG_SVC_H */
