// SPDX-License-Identifier: MIT
// The server's own name of each record field, per server module: the helpers fetch a record's
// fields by these names, and a backup of deleted records is written under them so that the CRM's
// import can bring the records back.
#pragma once

#include "records/SGRecords.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

// How the server's text of a field becomes the record's value.
enum class CrmValue : uint8_t
{
    Text,     // a char array, in the ANSI code page
    DateTime, // a double: an OLE date of a UTC date and time
    Date,     // a double: an OLE date, no time of day
    Flag,     // a uint8_t, 0 or 1
    Integer,  // an int32_t
};

template <class Rec> struct CrmField
{
    using Record = Rec;
    const char* szName = nullptr;
    CrmValue value = CrmValue::Text;
    // The record's field and its size in bytes.
    void* (*pfnAt)(Rec& record) = nullptr;
    const void* (*pfnRead)(const Rec& record) = nullptr;
    std::size_t nSize = 0;
};

template <class Rec, std::size_t N> struct CrmModule
{
    using Record = Rec;
    const char* szModule; // the server's module key
    int32_t nType;        // the record's nType; 0 for kinds without one
    std::array<CrmField<Rec>, N> fields;
};

namespace crm
{

template <class T> struct MemberOf;
template <class R, class F> struct MemberOf<F R::*>
{
    using Record = R;
    using Field = F;
};

template <auto P> void* FieldAt(typename MemberOf<decltype(P)>::Record& record)
{
    return &(record.*P);
}

template <auto P> const void* FieldRead(const typename MemberOf<decltype(P)>::Record& record)
{
    return &(record.*P);
}

template <auto P> constexpr CrmField<typename MemberOf<decltype(P)>::Record> Field(const char* szName, CrmValue value)
{
    using F = typename MemberOf<decltype(P)>::Field;
    static_assert(std::is_array_v<F> || std::is_same_v<F, double> || std::is_same_v<F, uint8_t> ||
                  std::is_same_v<F, int32_t>);
    return {szName, value, &FieldAt<P>, &FieldRead<P>, sizeof(F)};
}

template <auto P> constexpr auto Text(const char* szName)
{
    static_assert(std::is_array_v<typename MemberOf<decltype(P)>::Field>);
    return Field<P>(szName, CrmValue::Text);
}
template <auto P> constexpr auto DateTime(const char* szName)
{
    static_assert(std::is_same_v<typename MemberOf<decltype(P)>::Field, double>);
    return Field<P>(szName, CrmValue::DateTime);
}
template <auto P> constexpr auto Date(const char* szName)
{
    static_assert(std::is_same_v<typename MemberOf<decltype(P)>::Field, double>);
    return Field<P>(szName, CrmValue::Date);
}
template <auto P> constexpr auto Flag(const char* szName)
{
    static_assert(std::is_same_v<typename MemberOf<decltype(P)>::Field, uint8_t>);
    return Field<P>(szName, CrmValue::Flag);
}
template <auto P> constexpr auto Integer(const char* szName)
{
    static_assert(std::is_same_v<typename MemberOf<decltype(P)>::Field, int32_t>);
    return Field<P>(szName, CrmValue::Integer);
}

// The fields in the order given, counted by the compiler.
template <class First, class... Rest> constexpr std::array<First, 1 + sizeof...(Rest)> List(First first, Rest... rest)
{
    return {first, rest...};
}

template <class Rec, std::size_t N, std::size_t M>
constexpr std::array<CrmField<Rec>, N + M> Join(const std::array<CrmField<Rec>, N>& first,
                                                const std::array<CrmField<Rec>, M>& second)
{
    std::array<CrmField<Rec>, N + M> joined{};
    for (std::size_t i = 0; i < N; ++i)
        joined[i] = first[i];
    for (std::size_t i = 0; i < M; ++i)
        joined[N + i] = second[i];
    return joined;
}

template <class Rec, std::size_t N>
constexpr CrmModule<Rec, N> Module(const char* szModule, int32_t nType, const std::array<CrmField<Rec>, N>& fields)
{
    return {szModule, nType, fields};
}

using A = SGAddrRecord;
using D = SGDateRecord;
using T = SGTaskRecord;

// Contacts and leads share the person fields; a lead also has a web site.
inline constexpr auto kPersonFields = List(
    Text<&A::szSalutation>("salutation"), Text<&A::szFirstName>("first_name"), Text<&A::szLastName>("last_name"),
    Text<&A::szJobTitle>("title"), Text<&A::szDepartment>("department"), Flag<&A::bDoNotCall>("do_not_call"),
    Text<&A::szWorkPhone>("phone_work"), Text<&A::szHomePhone>("phone_home"), Text<&A::szMobilePhone>("phone_mobile"),
    Text<&A::szOtherPhone>("phone_other"), Text<&A::szFax>("phone_fax"), Text<&A::szEmail1>("email1"),
    Text<&A::szEmail2>("email2"), Text<&A::szPrimaryStreet>("primary_address_street"),
    Text<&A::szPrimaryCity>("primary_address_city"), Text<&A::szPrimaryState>("primary_address_state"),
    Text<&A::szPrimaryPostalCode>("primary_address_postalcode"), Text<&A::szPrimaryCountry>("primary_address_country"),
    Text<&A::szAltStreet>("alt_address_street"), Text<&A::szAltCity>("alt_address_city"),
    Text<&A::szAltState>("alt_address_state"), Text<&A::szAltPostalCode>("alt_address_postalcode"),
    Text<&A::szAltCountry>("alt_address_country"), Text<&A::szAssistantName>("assistant"),
    Text<&A::szAssistantPhone>("assistant_phone"), Text<&A::szLeadSource>("lead_source"),
    Date<&A::dtBirthDate>("birthdate"), Text<&A::szDescription>("description"), DateTime<&A::dtCreated>("date_entered"),
    DateTime<&A::dtModified>("date_modified"));

// Calls and meetings share everything but the location, which only meetings store. The related
// record (parent_id) stands for the contact; its module key is carried in szAux1.
inline constexpr auto kEventFields =
    List(Text<&D::szSubject>("name"), DateTime<&D::dtStart>("date_start"), DateTime<&D::dtEnd>("date_end"),
         Integer<&D::nAux1>("duration_hours"), Integer<&D::nAux2>("duration_minutes"), Text<&D::szStatus>("status"),
         Text<&D::szAux1>("parent_type"), Text<&D::szContactId>("parent_id"),
         Text<&D::szAssignedId>("assigned_user_id"), Text<&D::szDescription>("description"),
         DateTime<&D::dtCreated>("date_entered"), DateTime<&D::dtModified>("date_modified"));

} // namespace crm

inline constexpr auto kCrmContacts = crm::Module("Contacts", 1, crm::kPersonFields);

// An account is a company: its name stands as the last name, its office phone as the work phone,
// its billing and shipping addresses as the primary and alternate ones.
inline constexpr auto kCrmAccounts = crm::Module(
    "Accounts", 2,
    crm::List(crm::Text<&crm::A::szLastName>("name"), crm::Text<&crm::A::szWorkPhone>("phone_office"),
              crm::Text<&crm::A::szOtherPhone>("phone_alternate"), crm::Text<&crm::A::szFax>("phone_fax"),
              crm::Text<&crm::A::szEmail1>("email1"), crm::Text<&crm::A::szWebsite>("website"),
              crm::Text<&crm::A::szPrimaryStreet>("billing_address_street"),
              crm::Text<&crm::A::szPrimaryCity>("billing_address_city"),
              crm::Text<&crm::A::szPrimaryState>("billing_address_state"),
              crm::Text<&crm::A::szPrimaryPostalCode>("billing_address_postalcode"),
              crm::Text<&crm::A::szPrimaryCountry>("billing_address_country"),
              crm::Text<&crm::A::szAltStreet>("shipping_address_street"),
              crm::Text<&crm::A::szAltCity>("shipping_address_city"),
              crm::Text<&crm::A::szAltState>("shipping_address_state"),
              crm::Text<&crm::A::szAltPostalCode>("shipping_address_postalcode"),
              crm::Text<&crm::A::szAltCountry>("shipping_address_country"),
              crm::Text<&crm::A::szDescription>("description"), crm::DateTime<&crm::A::dtCreated>("date_entered"),
              crm::DateTime<&crm::A::dtModified>("date_modified")));

inline constexpr auto kCrmLeads =
    crm::Module("Leads", 3, crm::Join(crm::kPersonFields, crm::List(crm::Text<&crm::A::szWebsite>("website"))));

inline constexpr auto kCrmCalls = crm::Module("Calls", 1, crm::kEventFields);
inline constexpr auto kCrmMeetings =
    crm::Module("Meetings", 2, crm::Join(crm::kEventFields, crm::List(crm::Text<&crm::D::szLocation>("location"))));

// date_start is carried in dtAux, the two "no date" switches in byAux1 and byAux2.
inline constexpr auto kCrmTasks = crm::Module(
    "Tasks", 0,
    crm::List(crm::Text<&crm::T::szSubject>("name"), crm::Text<&crm::T::szDescription>("description"),
              crm::DateTime<&crm::T::dtAux>("date_start"), crm::DateTime<&crm::T::dtDue>("date_due"),
              crm::Flag<&crm::T::byAux1>("date_due_flag"), crm::Flag<&crm::T::byAux2>("date_start_flag"),
              crm::Text<&crm::T::szStatus>("status"), crm::Text<&crm::T::szPriority>("priority"),
              crm::Text<&crm::T::szContactId>("contact_id"), crm::Text<&crm::T::szAssignedId>("assigned_user_id"),
              crm::DateTime<&crm::T::dtCreated>("date_entered"), crm::DateTime<&crm::T::dtModified>("date_modified")));

// Notes carry no content: only their ids are fetched.
inline constexpr auto kCrmNotes = crm::Module("Notes", 0, std::array<CrmField<SGNoteRecord>, 0>{});

// A module's fields for code that walks the modules of a kind at run time.
template <class Rec> struct CrmModuleView
{
    const char* szModule;
    int32_t nType;
    const CrmField<Rec>* pFields;
    std::size_t nFields;
};

template <class Rec, std::size_t N> constexpr CrmModuleView<Rec> ViewOf(const CrmModule<Rec, N>& module)
{
    return {module.szModule, module.nType, module.fields.data(), N};
}

// The modules of each kind whose records have fields.
inline constexpr CrmModuleView<SGAddrRecord> kCrmAddrModules[] = {ViewOf(kCrmContacts), ViewOf(kCrmAccounts),
                                                                  ViewOf(kCrmLeads)};
inline constexpr CrmModuleView<SGDateRecord> kCrmDateModules[] = {ViewOf(kCrmCalls), ViewOf(kCrmMeetings)};
inline constexpr CrmModuleView<SGTaskRecord> kCrmTaskModules[] = {ViewOf(kCrmTasks)};
