// SPDX-License-Identifier: MIT
#include "Links.h"

namespace
{
using S = LinkStore;

LinkDef def(const char* module, const char* name, const char* related, LinkStore store, const char* key = "",
            bool left = false)
{
    return {QLatin1String(module), QLatin1String(name), QLatin1String(related), store, QLatin1String(key), left};
}

QVector<LinkDef> build()
{
    return {
        def("Contacts", "accounts", "Accounts", S::AccountContact),
        def("Contacts", "calls", "Calls", S::Table, "calls_contacts"),
        def("Contacts", "meetings", "Meetings", S::Table, "meetings_contacts"),
        def("Contacts", "tasks", "Tasks", S::Field, "contact_id"),
        def("Contacts", "notes", "Notes", S::Field, "contact_id"),
        def("Contacts", "opportunities", "Opportunities", S::Table, "opportunities_contacts"),
        def("Contacts", "cases", "Cases", S::Table, "contacts_cases", true),
        def("Contacts", "documents", "Documents", S::Table, "documents_contacts"),
        def("Contacts", "prospect_lists", "ProspectLists", S::Table, "prospect_list_contacts"),

        def("Leads", "calls", "Calls", S::Parent),
        def("Leads", "meetings", "Meetings", S::Parent),
        def("Leads", "tasks", "Tasks", S::Parent),
        def("Leads", "notes", "Notes", S::Parent),
        def("Leads", "prospect_lists", "ProspectLists", S::Table, "prospect_list_leads"),

        def("Accounts", "contacts", "Contacts", S::AccountContact),
        def("Accounts", "opportunities", "Opportunities", S::Field, "account_id"),
        def("Accounts", "cases", "Cases", S::Field, "account_id"),
        def("Accounts", "calls", "Calls", S::Parent),
        def("Accounts", "meetings", "Meetings", S::Parent),
        def("Accounts", "tasks", "Tasks", S::Parent),
        def("Accounts", "notes", "Notes", S::Parent),
        def("Accounts", "documents", "Documents", S::Table, "documents_accounts"),
        def("Accounts", "prospect_lists", "ProspectLists", S::Table, "prospect_list_accounts"),
        def("Accounts", "members", "Accounts", S::Field, "parent_id"),
        def("Accounts", "leads", "Leads", S::Field, "account_id"),

        def("Calls", "contacts", "Contacts", S::Table, "calls_contacts", true),
        def("Calls", "leads", "Leads", S::Table, "calls_leads", true),
        def("Calls", "users", "Users", S::Table, "calls_users", true),
        def("Calls", "notes", "Notes", S::Parent),
        def("Meetings", "contacts", "Contacts", S::Table, "meetings_contacts", true),
        def("Meetings", "leads", "Leads", S::Table, "meetings_leads", true),
        def("Meetings", "users", "Users", S::Table, "meetings_users", true),
        def("Meetings", "notes", "Notes", S::Parent),
        def("Tasks", "notes", "Notes", S::Parent),
    };
}
} // namespace

const LinkDef* Links::find(const QString& module, const QString& name)
{
    static const QVector<LinkDef> links = build();
    for (const LinkDef& link : links) {
        if (link.module == module && link.name == name) {
            return &link;
        }
    }
    return nullptr;
}
