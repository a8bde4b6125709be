// SPDX-License-Identifier: MIT
#include "FieldMap.h"

#include "FieldValues.h"
#include "SugarReply.h"

#include <cstdint>

namespace
{

template <class T> struct MemberOf;
template <class R, class F> struct MemberOf<F R::*>
{
    using Record = R;
};
template <auto P> using RecordOf = typename MemberOf<decltype(P)>::Record;

// Store functions for the table, one per kind of field; P names the record field.
template <auto P> void Text(RecordOf<P>& record, const QString& value)
{
    auto& field = record.*P;
    StoreText(field, sizeof field, value);
}

template <auto P> void DateTime(RecordOf<P>& record, const QString& value)
{
    record.*P = UtcTextToOleDate(value);
}

template <auto P> void Date(RecordOf<P>& record, const QString& value)
{
    record.*P = DateTextToOleDate(value);
}

template <auto P> void Flag(RecordOf<P>& record, const QString& value)
{
    record.*P = FlagFromText(value) ? 1 : 0;
}

template <auto P> void Integer(RecordOf<P>& record, const QString& value)
{
    bool bOk = false;
    const long long nValue = value.trimmed().toLongLong(&bOk);
    record.*P = bOk && nValue >= INT32_MIN && nValue <= INT32_MAX ? static_cast<int32_t>(nValue) : 0;
}

using A = SGAddrRecord;
using D = SGDateRecord;
using T = SGTaskRecord;

// Contacts and leads share the person fields; a lead also has a web site.
std::vector<FieldRule<A>> PersonFields(bool bWebsite)
{
    std::vector<FieldRule<A>> fields = {
        {"salutation", Text<&A::szSalutation>},
        {"first_name", Text<&A::szFirstName>},
        {"last_name", Text<&A::szLastName>},
        {"title", Text<&A::szJobTitle>},
        {"department", Text<&A::szDepartment>},
        {"do_not_call", Flag<&A::bDoNotCall>},
        {"phone_work", Text<&A::szWorkPhone>},
        {"phone_home", Text<&A::szHomePhone>},
        {"phone_mobile", Text<&A::szMobilePhone>},
        {"phone_other", Text<&A::szOtherPhone>},
        {"phone_fax", Text<&A::szFax>},
        {"email1", Text<&A::szEmail1>},
        {"email2", Text<&A::szEmail2>},
        {"primary_address_street", Text<&A::szPrimaryStreet>},
        {"primary_address_city", Text<&A::szPrimaryCity>},
        {"primary_address_state", Text<&A::szPrimaryState>},
        {"primary_address_postalcode", Text<&A::szPrimaryPostalCode>},
        {"primary_address_country", Text<&A::szPrimaryCountry>},
        {"alt_address_street", Text<&A::szAltStreet>},
        {"alt_address_city", Text<&A::szAltCity>},
        {"alt_address_state", Text<&A::szAltState>},
        {"alt_address_postalcode", Text<&A::szAltPostalCode>},
        {"alt_address_country", Text<&A::szAltCountry>},
        {"assistant", Text<&A::szAssistantName>},
        {"assistant_phone", Text<&A::szAssistantPhone>},
        {"lead_source", Text<&A::szLeadSource>},
        {"birthdate", Date<&A::dtBirthDate>},
        {"description", Text<&A::szDescription>},
        {"date_entered", DateTime<&A::dtCreated>},
        {"date_modified", DateTime<&A::dtModified>},
    };
    if (bWebsite)
        fields.push_back({"website", Text<&A::szWebsite>});
    return fields;
}

// Calls and meetings share everything but the location, which only meetings store. The related
// record (parent_id) stands for the contact; its module key is carried in szAux1.
std::vector<FieldRule<D>> EventFields(bool bLocation)
{
    std::vector<FieldRule<D>> fields = {
        {"name", Text<&D::szSubject>},
        {"date_start", DateTime<&D::dtStart>},
        {"date_end", DateTime<&D::dtEnd>},
        {"duration_hours", Integer<&D::nAux1>},
        {"duration_minutes", Integer<&D::nAux2>},
        {"status", Text<&D::szStatus>},
        {"parent_type", Text<&D::szAux1>},
        {"parent_id", Text<&D::szContactId>},
        {"assigned_user_id", Text<&D::szAssignedId>},
        {"description", Text<&D::szDescription>},
        {"date_entered", DateTime<&D::dtCreated>},
        {"date_modified", DateTime<&D::dtModified>},
    };
    if (bLocation)
        fields.push_back({"location", Text<&D::szLocation>});
    return fields;
}

void SetType(SGAddrRecord& record, int32_t nType)
{
    record.nType = nType;
}

void SetType(SGDateRecord& record, int32_t nType)
{
    record.nType = nType;
}

void SetType(SGTaskRecord&, int32_t) {}
void SetType(SGNoteRecord&, int32_t) {}

template <class Rec> void MapFields(const ModuleMap<Rec>& module, const QJsonValue& nameValues, Rec& record)
{
    SetType(record, module.nType);
    QString value;
    for (const FieldRule<Rec>& rule : module.fields) {
        if (NameValue(nameValues, QLatin1String(rule.szField), value))
            rule.pfnStore(record, value);
    }
}

} // namespace

const std::vector<ModuleMap<SGAddrRecord>>& AddrModules()
{
    // An account is a company: its name stands as the last name, its office phone as the work
    // phone, its billing and shipping addresses as the primary and alternate ones.
    static const std::vector<ModuleMap<A>> modules = {
        {"Contacts", 1, PersonFields(false)},
        {"Accounts",
         2,
         {
             {"name", Text<&A::szLastName>},
             {"phone_office", Text<&A::szWorkPhone>},
             {"phone_alternate", Text<&A::szOtherPhone>},
             {"phone_fax", Text<&A::szFax>},
             {"email1", Text<&A::szEmail1>},
             {"website", Text<&A::szWebsite>},
             {"billing_address_street", Text<&A::szPrimaryStreet>},
             {"billing_address_city", Text<&A::szPrimaryCity>},
             {"billing_address_state", Text<&A::szPrimaryState>},
             {"billing_address_postalcode", Text<&A::szPrimaryPostalCode>},
             {"billing_address_country", Text<&A::szPrimaryCountry>},
             {"shipping_address_street", Text<&A::szAltStreet>},
             {"shipping_address_city", Text<&A::szAltCity>},
             {"shipping_address_state", Text<&A::szAltState>},
             {"shipping_address_postalcode", Text<&A::szAltPostalCode>},
             {"shipping_address_country", Text<&A::szAltCountry>},
             {"description", Text<&A::szDescription>},
             {"date_entered", DateTime<&A::dtCreated>},
             {"date_modified", DateTime<&A::dtModified>},
         }},
        {"Leads", 3, PersonFields(true)},
    };
    return modules;
}

const std::vector<ModuleMap<SGDateRecord>>& DateModules()
{
    static const std::vector<ModuleMap<D>> modules = {
        {"Calls", 1, EventFields(false)},
        {"Meetings", 2, EventFields(true)},
    };
    return modules;
}

const std::vector<ModuleMap<SGTaskRecord>>& TaskModules()
{
    // date_start is carried in dtAux, the two "no date" switches in byAux1 and byAux2.
    static const std::vector<ModuleMap<T>> modules = {
        {"Tasks",
         0,
         {
             {"name", Text<&T::szSubject>},
             {"description", Text<&T::szDescription>},
             {"date_start", DateTime<&T::dtAux>},
             {"date_due", DateTime<&T::dtDue>},
             {"date_due_flag", Flag<&T::byAux1>},
             {"date_start_flag", Flag<&T::byAux2>},
             {"status", Text<&T::szStatus>},
             {"priority", Text<&T::szPriority>},
             {"contact_id", Text<&T::szContactId>},
             {"assigned_user_id", Text<&T::szAssignedId>},
             {"date_entered", DateTime<&T::dtCreated>},
             {"date_modified", DateTime<&T::dtModified>},
         }},
    };
    return modules;
}

const std::vector<ModuleMap<SGNoteRecord>>& NoteModules()
{
    static const std::vector<ModuleMap<SGNoteRecord>> modules = {{"Notes", 0, {}}};
    return modules;
}

void MapEntry(const ModuleMap<SGAddrRecord>& module, const QJsonValue& nameValues, SGAddrRecord& record)
{
    MapFields(module, nameValues, record);
}

void MapEntry(const ModuleMap<SGDateRecord>& module, const QJsonValue& nameValues, SGDateRecord& record)
{
    MapFields(module, nameValues, record);
}

void MapEntry(const ModuleMap<SGTaskRecord>& module, const QJsonValue& nameValues, SGTaskRecord& record)
{
    MapFields(module, nameValues, record);
}

void MapEntry(const ModuleMap<SGNoteRecord>& module, const QJsonValue& nameValues, SGNoteRecord& record)
{
    MapFields(module, nameValues, record);
}
