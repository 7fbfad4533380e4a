// One contact of the address book with every record it holds, as the contact commands read and import it.
#ifndef ULOG_TOOL_CONTACTS_H
#define ULOG_TOOL_CONTACTS_H

#include "KivCtSvc/KivCtSvc.h"

#include <vector>

namespace ulogtool
{
struct ContactRecords
{
    CtSvcContactRecord main;
    std::vector<CtSvcPhoneNumberRecord> numbers;
    std::vector<CtSvcEmailAddressRecord> emails;
    std::vector<CtSvcSnsDataRecord> sns;
    std::vector<CtSvcImRecord> ims;
};
} // namespace ulogtool

#endif
