// SPDX-License-Identifier: MIT
#include "Modules.h"

namespace
{
using K = FieldKind;

void add(QVector<FieldDef>& fields, std::initializer_list<const char*> names, FieldKind kind)
{
    for (const char* name : names) {
        fields.append({QString::fromLatin1(name), kind, kind == K::Bool ? QStringLiteral("0") : QString()});
    }
}

// Fields every module has, listed after the module's own.
void addCommon(QVector<FieldDef>& fields)
{
    add(fields, {"date_entered", "date_modified"}, K::DateTime);
    add(fields, {"modified_user_id", "created_by"}, K::Id);
    add(fields, {"description"}, K::Text);
    add(fields, {"deleted"}, K::Bool);
    add(fields, {"assigned_user_id"}, K::Id);
}

// Fields Contacts and Leads share.
void addPerson(QVector<FieldDef>& fields)
{
    add(fields, {"salutation"}, K::Text);
    add(fields, {"first_name", "last_name"}, K::Name);
    add(fields, {"title", "department"}, K::Text);
    add(fields, {"do_not_call"}, K::Bool);
    add(fields, {"phone_home", "phone_mobile", "phone_work", "phone_other", "phone_fax"}, K::Text);
    add(fields, {"email1"}, K::Email1);
    add(fields, {"email2"}, K::Email2);
    add(fields,
        {"primary_address_street", "primary_address_city", "primary_address_state", "primary_address_postalcode",
         "primary_address_country", "alt_address_street", "alt_address_city", "alt_address_state",
         "alt_address_postalcode", "alt_address_country", "assistant", "assistant_phone", "lead_source"},
        K::Text);
    add(fields, {"birthdate"}, K::Date);
    add(fields, {"reports_to_id", "campaign_id"}, K::Id);
    add(fields, {"photo", "lawful_basis"}, K::Text);
    add(fields, {"date_reviewed"}, K::Date);
    add(fields, {"lawful_basis_source"}, K::Text);
}

// Fields Calls and Meetings share.
void addActivity(QVector<FieldDef>& fields)
{
    add(fields, {"name"}, K::Name);
    add(fields, {"duration_hours", "duration_minutes"}, K::Int);
    add(fields, {"date_start", "date_end"}, K::DateTime);
    add(fields, {"parent_type", "status"}, K::Text);
    add(fields, {"parent_id"}, K::Id);
    add(fields, {"reminder_time", "email_reminder_time"}, K::Int);
    add(fields, {"outlook_id", "repeat_type"}, K::Text);
    add(fields, {"repeat_interval"}, K::Int);
    add(fields, {"repeat_dow"}, K::Text);
    add(fields, {"repeat_until"}, K::Date);
    add(fields, {"repeat_count"}, K::Int);
    add(fields, {"repeat_parent_id"}, K::Id);
    add(fields, {"recurring_source"}, K::Text);
}

QVector<ModuleDef> build()
{
    QVector<ModuleDef> modules;

    ModuleDef accounts{QStringLiteral("Accounts"), QStringLiteral("accounts"), {}};
    add(accounts.fields, {"id"}, K::Id);
    add(accounts.fields, {"name"}, K::Name);
    add(accounts.fields,
        {"account_type",
         "industry",
         "annual_revenue",
         "phone_fax",
         "billing_address_street",
         "billing_address_city",
         "billing_address_state",
         "billing_address_postalcode",
         "billing_address_country",
         "rating",
         "phone_office",
         "phone_alternate",
         "website",
         "ownership",
         "employees",
         "ticker_symbol",
         "shipping_address_street",
         "shipping_address_city",
         "shipping_address_state",
         "shipping_address_postalcode",
         "shipping_address_country"},
        K::Text);
    add(accounts.fields, {"email1"}, K::Email1);
    add(accounts.fields, {"parent_id"}, K::Id);
    add(accounts.fields, {"sic_code"}, K::Text);
    add(accounts.fields, {"campaign_id"}, K::Id);
    addCommon(accounts.fields);
    modules.append(accounts);

    ModuleDef contacts{QStringLiteral("Contacts"), QStringLiteral("contacts"), {}};
    add(contacts.fields, {"id"}, K::Id);
    addPerson(contacts.fields);
    add(contacts.fields, {"account_name"}, K::AccountName);
    add(contacts.fields, {"account_id"}, K::AccountId);
    add(contacts.fields, {"joomla_account_id"}, K::Id);
    add(contacts.fields, {"portal_account_disabled"}, K::Bool);
    add(contacts.fields, {"portal_user_type"}, K::Text);
    addCommon(contacts.fields);
    modules.append(contacts);

    ModuleDef leads{QStringLiteral("Leads"), QStringLiteral("leads"), {}};
    add(leads.fields, {"id"}, K::Id);
    addPerson(leads.fields);
    add(leads.fields, {"website"}, K::Text);
    leads.fields.append({QStringLiteral("status"), K::Text, QStringLiteral("New")});
    add(leads.fields, {"status_description", "lead_source_description", "refered_by"}, K::Text);
    add(leads.fields, {"account_name"}, K::Name);
    add(leads.fields, {"account_description"}, K::Text);
    add(leads.fields, {"converted"}, K::Bool);
    add(leads.fields, {"contact_id", "account_id", "opportunity_id"}, K::Id);
    add(leads.fields, {"opportunity_name", "opportunity_amount", "portal_name", "portal_app"}, K::Text);
    addCommon(leads.fields);
    modules.append(leads);

    ModuleDef calls{QStringLiteral("Calls"), QStringLiteral("calls"), {}};
    add(calls.fields, {"id"}, K::Id);
    addActivity(calls.fields);
    add(calls.fields, {"direction"}, K::Text);
    addCommon(calls.fields);
    modules.append(calls);

    ModuleDef meetings{QStringLiteral("Meetings"), QStringLiteral("meetings"), {}};
    add(meetings.fields, {"id"}, K::Id);
    addActivity(meetings.fields);
    add(meetings.fields, {"location", "type"}, K::Text);
    addCommon(meetings.fields);
    modules.append(meetings);

    ModuleDef tasks{QStringLiteral("Tasks"), QStringLiteral("tasks"), {}};
    add(tasks.fields, {"id"}, K::Id);
    add(tasks.fields, {"name"}, K::Name);
    add(tasks.fields, {"status"}, K::Text);
    add(tasks.fields, {"date_due_flag"}, K::Bool);
    add(tasks.fields, {"date_due"}, K::DateTime);
    add(tasks.fields, {"date_start_flag"}, K::Bool);
    add(tasks.fields, {"date_start"}, K::DateTime);
    add(tasks.fields, {"parent_type"}, K::Text);
    add(tasks.fields, {"parent_id", "contact_id"}, K::Id);
    add(tasks.fields, {"priority"}, K::Text);
    addCommon(tasks.fields);
    modules.append(tasks);

    ModuleDef notes{QStringLiteral("Notes"), QStringLiteral("notes"), {}};
    add(notes.fields, {"id"}, K::Id);
    add(notes.fields, {"name"}, K::Name);
    add(notes.fields, {"file_mime_type", "filename", "parent_type"}, K::Text);
    add(notes.fields, {"parent_id", "contact_id"}, K::Id);
    add(notes.fields, {"portal_flag", "embed_flag"}, K::Bool);
    addCommon(notes.fields);
    modules.append(notes);

    // Modules kept only so far as the links of the ones above need them.
    ModuleDef opportunities{QStringLiteral("Opportunities"), QStringLiteral("opportunities"), {}};
    add(opportunities.fields, {"id"}, K::Id);
    add(opportunities.fields, {"name"}, K::Name);
    add(opportunities.fields, {"amount"}, K::Int);
    add(opportunities.fields, {"sales_stage"}, K::Text);
    add(opportunities.fields, {"date_closed"}, K::Date);
    add(opportunities.fields, {"account_id"}, K::Id);
    addCommon(opportunities.fields);
    modules.append(opportunities);

    ModuleDef cases{QStringLiteral("Cases"), QStringLiteral("cases"), {}};
    add(cases.fields, {"id"}, K::Id);
    add(cases.fields, {"name"}, K::Name);
    add(cases.fields, {"status"}, K::Text);
    add(cases.fields, {"account_id"}, K::Id);
    addCommon(cases.fields);
    modules.append(cases);

    ModuleDef documents{QStringLiteral("Documents"), QStringLiteral("documents"), {}};
    add(documents.fields, {"id"}, K::Id);
    add(documents.fields, {"document_name"}, K::Name);
    add(documents.fields, {"status_id"}, K::Text);
    addCommon(documents.fields);
    modules.append(documents);

    ModuleDef prospectLists{QStringLiteral("ProspectLists"), QStringLiteral("prospect_lists"), {}};
    add(prospectLists.fields, {"id"}, K::Id);
    add(prospectLists.fields, {"name"}, K::Name);
    add(prospectLists.fields, {"list_type"}, K::Text);
    addCommon(prospectLists.fields);
    modules.append(prospectLists);

    return modules;
}
} // namespace

bool FieldDef::stored() const
{
    return kind != K::Email1 && kind != K::Email2 && kind != K::AccountId && kind != K::AccountName;
}

const FieldDef* ModuleDef::field(const QString& fieldName) const
{
    for (const FieldDef& def : fields) {
        if (def.name == fieldName) {
            return &def;
        }
    }
    return nullptr;
}

QStringList ModuleDef::storedColumns() const
{
    QStringList columns;
    for (const FieldDef& def : fields) {
        if (def.stored()) {
            columns.append(def.name);
        }
    }
    return columns;
}

const QVector<ModuleDef>& Modules::all()
{
    static const QVector<ModuleDef> modules = build();
    return modules;
}

const ModuleDef* Modules::find(const QString& moduleName)
{
    for (const ModuleDef& module : all()) {
        if (module.name == moduleName) {
            return &module;
        }
    }
    return nullptr;
}
