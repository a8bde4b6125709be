// SPDX-License-Identifier: MIT
#include "gui/RuleBoxes.h"

#include <iterator>

namespace
{

const RuleBox kAddrBoxes[] = {
    {"cbAddrDisplayName", "Full Name", &AppSettingsData::AddrDisplayName},
    {"cbAddrFirstName", "First Name", &AppSettingsData::AddrFirstName},
    {"cbAddrLastName", "Last Name", &AppSettingsData::AddrLastName},
    {"cbAddrEmail", "Email", &AppSettingsData::AddrEmail},
    {"cbAddrDepartment", "Department", &AppSettingsData::AddrDepartment},
    {"cbAddrTitle", "Job Title", &AppSettingsData::AddrTitle},
    {"cbAddrPhone", "Phone Numbers", &AppSettingsData::AddrPhone},
    {"cbAddrAddr", "Addresses", &AppSettingsData::AddrAddress},
    {"cbAddrBirthday", "Birth Date", &AppSettingsData::AddrBirthday},
    {"cbAddrNote", "Notes", &AppSettingsData::AddrNote},
};

const RuleBox kDateBoxes[] = {
    {"cbDateSubject", "Subject", &AppSettingsData::DateSubject},
    {"cbDateStartTime", "Start Time", &AppSettingsData::DateStartTime},
    {"cbDateEndTime", "End Time", &AppSettingsData::DateEndTime},
    {"cbDateAllDayEvent", "All Day Event", nullptr},
    {"cbDateLocation", "Location", &AppSettingsData::DateLocation},
    {"cbDateNote", "Notes", &AppSettingsData::DateNote},
    {"cbDateContactID", "Contact ID", &AppSettingsData::DateContactID},
    {"cbDateAssignedID", "Assigned ID", &AppSettingsData::DateAssignedID},
};

const RuleBox kTaskBoxes[] = {
    {"cbTaskSubject", "Subject", &AppSettingsData::TaskSubject},
    {"cbTaskImportance", "Priority", &AppSettingsData::TaskImportance},
    {"cbTaskDueDate", "Due Date", &AppSettingsData::TaskDueDate},
    {"cbTaskNote", "Notes", &AppSettingsData::TaskNote},
    {"cbTaskContactID", "Contact ID", &AppSettingsData::TaskContactID},
    {"cbTaskAssignedID", "Assigned ID", &AppSettingsData::TaskAssignedID},
};

} // namespace

const RuleBoxTab kRuleBoxTabs[3] = {
    {"tAddr", "Contacts", kAddrBoxes, std::size(kAddrBoxes)},
    {"tDate", "Calendar", kDateBoxes, std::size(kDateBoxes)},
    {"tTask", "Task", kTaskBoxes, std::size(kTaskBoxes)},
};

const char* RuleCaption(bool AppSettingsData::*pSwitch)
{
    // The task status rule is set in the settings file alone.
    if (pSwitch == &AppSettingsData::TaskStatus)
        return "Status";
    for (const RuleBoxTab& tab : kRuleBoxTabs) {
        for (std::size_t i = 0; i < tab.nBoxes; ++i) {
            if (tab.pBoxes[i].pField != nullptr && tab.pBoxes[i].pField == pSwitch)
                return tab.pBoxes[i].szCaption;
        }
    }
    return nullptr;
}
