/*
 * The records of the exported interface, seen from a C caller: size and
 * offset of every field. Prints each difference and fails when there is one.
 */
#include "UlogSvc.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>

static int g_failures = 0;

static void Check(const char* what, size_t actual, size_t expected)
{
    if (actual != expected)
    {
        printf("%s: %lu, expected %lu\n", what, (unsigned long)actual, (unsigned long)expected);
        ++g_failures;
    }
}

#define CHECK_OFFSET(type, field, off) Check(#type "." #field " offset", offsetof(type, field), (off))
#define CHECK_SIZE(type, size) Check("sizeof(" #type ")", sizeof(type), (size))
#define CHECK_FIELD_SIZE(type, field, size) Check(#type "." #field " size", sizeof(((type*)0)->field), (size))

static void CheckUlogInfo(void)
{
    CHECK_SIZE(UlogInfo, 4700);
    CHECK_OFFSET(UlogInfo, bCNAPLog, 0);
    CHECK_OFFSET(UlogInfo, nReserved1, 4);
    CHECK_OFFSET(UlogInfo, bUncheckedYet, 8);
    CHECK_OFFSET(UlogInfo, bTempLog, 12);
    CHECK_OFFSET(UlogInfo, nUniqueId, 16);
    CHECK_OFFSET(UlogInfo, nSortIndex, 20);
    CHECK_OFFSET(UlogInfo, nGroupId, 24);
    CHECK_OFFSET(UlogInfo, nReserved2, 28);
    CHECK_OFFSET(UlogInfo, nParentId, 32);
    CHECK_OFFSET(UlogInfo, tmStart, 36);
    CHECK_OFFSET(UlogInfo, tmEnd, 40);
    CHECK_OFFSET(UlogInfo, tmWiFiTotal, 44);
    CHECK_OFFSET(UlogInfo, tmGsmTotal, 48);
    CHECK_OFFSET(UlogInfo, iLogType, 52);
    CHECK_OFFSET(UlogInfo, iCallType, 56);
    CHECK_OFFSET(UlogInfo, iLineType, 60);
    CHECK_OFFSET(UlogInfo, iPhoneType, 64);
    CHECK_OFFSET(UlogInfo, iStorageType, 68);
    CHECK_OFFSET(UlogInfo, nCallCost, 72);
    CHECK_OFFSET(UlogInfo, nPersonId, 76);
    CHECK_OFFSET(UlogInfo, nCtDataId, 80);
    CHECK_OFFSET(UlogInfo, nCtFdnId, 84);
    CHECK_OFFSET(UlogInfo, nMyAccountId, 88);
    CHECK_OFFSET(UlogInfo, nDuplLogCount, 92);
    CHECK_OFFSET(UlogInfo, nDuplLogLastUniqueId, 96);
    CHECK_OFFSET(UlogInfo, bVideoShare, 100);
    CHECK_OFFSET(UlogInfo, szBasicNumber, 104);
    CHECK_OFFSET(UlogInfo, szNumber, 185);
    CHECK_OFFSET(UlogInfo, szName, 266);
    CHECK_OFFSET(UlogInfo, szFirstName, 576);
    CHECK_OFFSET(UlogInfo, szLastName, 886);
    CHECK_OFFSET(UlogInfo, abReserved3, 1196);
    CHECK_OFFSET(UlogInfo, szCallerIdPath, 1816);
    CHECK_OFFSET(UlogInfo, mszEmailAddress, 2588);
    CHECK_OFFSET(UlogInfo, st2StageDialingInfo, 3192);
    CHECK_OFFSET(UlogInfo, nMsgLogType, 3456);
    CHECK_OFFSET(UlogInfo, nMsgLogId, 3460);
    CHECK_OFFSET(UlogInfo, iSourceType, 3464);
    CHECK_OFFSET(UlogInfo, szEmailDisplayName, 3468);
    CHECK_OFFSET(UlogInfo, nAccountId, 3772);
    CHECK_OFFSET(UlogInfo, szAccountEmailAddress, 3776);
    CHECK_OFFSET(UlogInfo, szSyncId, 4077);
    CHECK_OFFSET(UlogInfo, mszSubject, 4178);
    CHECK_OFFSET(UlogInfo, mszBody, 4380);
    CHECK_OFFSET(UlogInfo, nContentId, 4584);
    CHECK_OFFSET(UlogInfo, szSnsPersonId, 4588);
    CHECK_OFFSET(UlogInfo, nSnsSpInfo, 4688);
    CHECK_OFFSET(UlogInfo, nSpInfo, 4692);
    CHECK_OFFSET(UlogInfo, nIPCallDigitCount, 4696);

    /* Widths of the text buffers and of the 32-bit fields. */
    CHECK_FIELD_SIZE(UlogInfo, szBasicNumber, 81);
    CHECK_FIELD_SIZE(UlogInfo, szNumber, 81);
    CHECK_FIELD_SIZE(UlogInfo, szName, 310);
    CHECK_FIELD_SIZE(UlogInfo, szFirstName, 310);
    CHECK_FIELD_SIZE(UlogInfo, szLastName, 310);
    CHECK_FIELD_SIZE(UlogInfo, abReserved3, 620);
    CHECK_FIELD_SIZE(UlogInfo, szCallerIdPath, 772);
    CHECK_FIELD_SIZE(UlogInfo, mszEmailAddress, 602);
    CHECK_FIELD_SIZE(UlogInfo, st2StageDialingInfo, 264);
    CHECK_FIELD_SIZE(UlogInfo, szEmailDisplayName, 301);
    CHECK_FIELD_SIZE(UlogInfo, szAccountEmailAddress, 301);
    CHECK_FIELD_SIZE(UlogInfo, szSyncId, 100);
    CHECK_FIELD_SIZE(UlogInfo, mszSubject, 202);
    CHECK_FIELD_SIZE(UlogInfo, mszBody, 202);
    CHECK_FIELD_SIZE(UlogInfo, szSnsPersonId, 100);
    CHECK_FIELD_SIZE(UlogInfo, iLogType, 4);
    CHECK_FIELD_SIZE(UlogInfo, iCallType, 4);
    CHECK_FIELD_SIZE(UlogInfo, iLineType, 4);
    CHECK_FIELD_SIZE(UlogInfo, iPhoneType, 4);
    CHECK_FIELD_SIZE(UlogInfo, iStorageType, 4);
    CHECK_FIELD_SIZE(UlogInfo, iSourceType, 4);
    CHECK_FIELD_SIZE(UlogInfo, tmStart, 4);

    /* The two-stage dialling block inside the record. */
    CHECK_SIZE(UlogVT2StageDialingInfo, 264);
    CHECK_OFFSET(UlogVT2StageDialingInfo, iAddressType, 0);
    CHECK_OFFSET(UlogVT2StageDialingInfo, aliasAddress, 4);
    CHECK_OFFSET(UlogVT2StageDialingInfo, abRest, 133);
    CHECK_FIELD_SIZE(UlogVT2StageDialingInfo, aliasAddress, 129);
}

static void CheckMbdnAndAoc(void)
{
    CHECK_SIZE(MbdnInfo, 168);
    CHECK_OFFSET(MbdnInfo, bSet, 0);
    CHECK_OFFSET(MbdnInfo, szNumber, 4);
    CHECK_OFFSET(MbdnInfo, mszName, 86);
    CHECK_FIELD_SIZE(MbdnInfo, szNumber, 82);
    CHECK_FIELD_SIZE(MbdnInfo, mszName, 82);

    CHECK_SIZE(UlogAocInfo, 32);
    CHECK_OFFSET(UlogAocInfo, acm, 0);
    CHECK_OFFSET(UlogAocInfo, acm.value, 0);
    CHECK_OFFSET(UlogAocInfo, acmMax, 4);
    CHECK_OFFSET(UlogAocInfo, acmMax.value, 4);
    CHECK_OFFSET(UlogAocInfo, currencyCodeLen, 8);
    CHECK_OFFSET(UlogAocInfo, currencyCode, 12);
    CHECK_OFFSET(UlogAocInfo, eppu, 16);
    CHECK_OFFSET(UlogAocInfo, expSign, 20);
    CHECK_OFFSET(UlogAocInfo, exp, 24);
    CHECK_OFFSET(UlogAocInfo, pricePerUnit, 28);
    CHECK_FIELD_SIZE(UlogAocInfo, currencyCode, 4);
}

static void CheckPhotoFvrInfo(void)
{
    CHECK_SIZE(UlogPhotoFvrInfo, 1872);
    CHECK_OFFSET(UlogPhotoFvrInfo, nPersonId, 0);
    CHECK_OFFSET(UlogPhotoFvrInfo, iStorageType, 4);
    CHECK_OFFSET(UlogPhotoFvrInfo, szBasicNumber, 8);
    CHECK_OFFSET(UlogPhotoFvrInfo, szNumber, 89);
    CHECK_OFFSET(UlogPhotoFvrInfo, szName, 170);
    CHECK_OFFSET(UlogPhotoFvrInfo, abReserved, 480);
    CHECK_OFFSET(UlogPhotoFvrInfo, szCallerIdPath, 1100);
    CHECK_FIELD_SIZE(UlogPhotoFvrInfo, szBasicNumber, 81);
    CHECK_FIELD_SIZE(UlogPhotoFvrInfo, szName, 310);
    CHECK_FIELD_SIZE(UlogPhotoFvrInfo, szCallerIdPath, 772);
}

static void CheckValues(void)
{
    UlogInfo info;
    UlogCallType none = ULOG_CALL_TYPE_NONE;

    Check("ULOG_LOG_ORIGINATED", ULOG_LOG_ORIGINATED, 0);
    Check("ULOG_LOG_MSG_SENT", ULOG_LOG_MSG_SENT, 3);
    Check("ULOG_LOG_EMAIL_RECEIVED", ULOG_LOG_EMAIL_RECEIVED, 6);
    Check("ULOG_LOG_SNS_1", ULOG_LOG_SNS_1, 7);
    Check("ULOG_LOG_IM_2", ULOG_LOG_IM_2, 10);
    Check("ULOG_LOG_CNT_MAX", ULOG_LOG_CNT_MAX, 11);
    Check("ULOG_CALL_CSD", ULOG_CALL_CSD, 3);
    Check("ULOG_MATCH_CNT_MAX", ULOG_MATCH_CNT_MAX, 4);
    Check("ULOG_DB_TABLE_DUPL", ULOG_DB_TABLE_DUPL, 1);
    Check("ULOG_CONVERT_MISSED", ULOG_CONVERT_MISSED, 3);
    Check("ULOG_UPDATE_DUPL_LAST_UID", ULOG_UPDATE_DUPL_LAST_UID, 0x400);
    Check("ULOG_DB_IS_CNAP", ULOG_DB_IS_CNAP, 20);
    Check("ULOG_DB_IP_CALL_DIGIT_COUNT", ULOG_DB_IP_CALL_DIGIT_COUNT, 45);
    Check("_UlogIsValidLog(10)", _UlogIsValidLog(10), 1);
    Check("_UlogIsValidLog(11)", _UlogIsValidLog(11), 0);
    Check("_UlogIsValidLog(-1)", _UlogIsValidLog(-1), 0);

    /* -1 written into an enumeration field reads back as all bits set in the 32-bit field. */
    memset(&info, 0, sizeof(info));
    info.iCallType = none;
    Check("iCallType -1 bytes", (size_t)((unsigned char*)&info)[56 + 3], 0xFF);
    Check("INVALID_HOBJ", (size_t)(unsigned int)INVALID_HOBJ, 0xFFFFFFFFu);
    Check("ULOG_INVALID_DB_INDEX", (size_t)(ULOG_INVALID_DB_INDEX + 1), 0);
}

int main(void)
{
    CheckUlogInfo();
    CheckMbdnAndAoc();
    CheckPhotoFvrInfo();
    CheckValues();
    if (g_failures != 0)
    {
        printf("%d layout difference(s)\n", g_failures);
        return 1;
    }
    printf("record layouts as published\n");
    return 0;
}
