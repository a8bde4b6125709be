// SPDX-License-Identifier: MIT
// The match rule of each kind as one table: a row per rule switch, with what the switch requires of
// two records. IsSameAddr and the other match rules walk it, and the candidate index builds its
// MatchPlan from it, so a new rule switch is one row here.
#pragma once

#include "core/AppSettings.h"
#include "core/MatchText.h"
#include "records/SGRecords.h"

#include <cstddef>
#include <cstdint>
#include <iterator>

// One requirement of a rule switch.
template <class Record> struct RuleTerm
{
    using TextOf = const char* (*)(const Record&);
    using DateOf = double (*)(const Record&);

    enum Kind : uint8_t
    {
        End,     // past the row's last term
        Text,    // slots[0] equal under CompareText
        Date,    // pfnDate exactly equal, with no empty-value rule
        AnyText, // one of the slots equal to the same slot of the other record; see pAcross
    };
    static constexpr std::size_t kMaxSlots = 3;

    Kind kind = End;
    uint8_t nSlots = 0; // counted, not ended by null: GCC's sanitizers refuse a constant null check
    TextOf slots[kMaxSlots] = {};
    DateOf pfnDate = nullptr;
    TextForm form = TextForm::Plain; // how the texts read under NormaliseCompare
    // An AnyText term under this switch: when both records have a value in some slot, one of the
    // values must be shared, in whichever slots; when either has none, the term holds as without it.
    bool AppSettingsData::*pAcross = nullptr;
};

template <class Record> struct RuleRow
{
    static constexpr std::size_t kMaxTerms = 10;

    bool AppSettingsData::*pSwitch;
    RuleTerm<Record> terms[kMaxTerms]; // End after the last term

    constexpr std::size_t TermCount() const
    {
        std::size_t n = 0;
        while (n < kMaxTerms && terms[n].kind != RuleTerm<Record>::End)
            ++n;
        return n;
    }
};

template <class Record> struct RuleTable
{
    bool bSameType; // records must share nType
    const RuleRow<Record>* pRows;
    std::size_t nRows;

    const RuleRow<Record>* begin() const { return pRows; }
    const RuleRow<Record>* end() const { return pRows + nRows; }
};

// The readers the terms point to: one instance per field, so that equal fields compare equal.
namespace RuleField
{
template <class T> struct MemberOf;
template <class Record, class Field> struct MemberOf<Field Record::*>
{
    using Type = Record;
};
template <auto Field> using RecordOf = typename MemberOf<decltype(Field)>::Type;

template <auto Field> const char* ReadText(const RecordOf<Field>& record)
{
    return record.*Field;
}

template <auto Field> double ReadDate(const RecordOf<Field>& record)
{
    return record.*Field;
}
} // namespace RuleField

template <auto Field, TextForm Form = TextForm::Plain>
constexpr RuleTerm<RuleField::RecordOf<Field>> TextTerm{
    RuleTerm<RuleField::RecordOf<Field>>::Text, 1, {&RuleField::ReadText<Field>}, nullptr, Form};

template <auto Field>
constexpr RuleTerm<RuleField::RecordOf<Field>> DateTerm{
    RuleTerm<RuleField::RecordOf<Field>>::Date, 0, {}, &RuleField::ReadDate<Field>};

template <TextForm Form, bool AppSettingsData::*pAcross, auto First, auto... Rest>
constexpr RuleTerm<RuleField::RecordOf<First>> AnyTextTerm{RuleTerm<RuleField::RecordOf<First>>::AnyText,
                                                           static_cast<uint8_t>(1 + sizeof...(Rest)),
                                                           {&RuleField::ReadText<First>, &RuleField::ReadText<Rest>...},
                                                           nullptr,
                                                           Form,
                                                           pAcross};

namespace RuleRows
{
using A = SGAddrRecord;
using D = SGDateRecord;
using T = SGTaskRecord;
using S = AppSettingsData;

// A rule switch may require a field that another one requires too: the index keeps one column of it.
inline constexpr RuleRow<A> kAddr[] = {
    {&S::AddrDisplayName, {TextTerm<&A::szFirstName>, TextTerm<&A::szLastName>}},
    {&S::AddrFirstName, {TextTerm<&A::szFirstName>}},
    {&S::AddrLastName, {TextTerm<&A::szLastName>}},
    {&S::AddrDepartment, {TextTerm<&A::szDepartment>}},
    {&S::AddrTitle, {TextTerm<&A::szJobTitle>}},
    {&S::AddrEmail, {AnyTextTerm<TextForm::Email, &S::AddrStrictEmail, &A::szEmail1, &A::szEmail2, &A::szEmail3>}},
    {&S::AddrPhone,
     {TextTerm<&A::szWorkPhone, TextForm::Phone>, TextTerm<&A::szFax, TextForm::Phone>,
      AnyTextTerm<TextForm::Phone, nullptr, &A::szHomePhone, &A::szMobilePhone, &A::szOtherPhone>}},
    {&S::AddrAddress,
     {TextTerm<&A::szPrimaryStreet>, TextTerm<&A::szPrimaryCity>, TextTerm<&A::szPrimaryState>,
      TextTerm<&A::szPrimaryPostalCode>, TextTerm<&A::szPrimaryCountry>, TextTerm<&A::szAltStreet>,
      TextTerm<&A::szAltCity>, TextTerm<&A::szAltState>, TextTerm<&A::szAltPostalCode>, TextTerm<&A::szAltCountry>}},
    {&S::AddrBirthday, {DateTerm<&A::dtBirthDate>}},
    {&S::AddrNote, {TextTerm<&A::szDescription>}},
};

inline constexpr RuleRow<D> kDate[] = {
    {&S::DateSubject, {TextTerm<&D::szSubject>}},     {&S::DateStartTime, {DateTerm<&D::dtStart>}},
    {&S::DateEndTime, {DateTerm<&D::dtEnd>}},         {&S::DateLocation, {TextTerm<&D::szLocation>}},
    {&S::DateContactID, {TextTerm<&D::szContactId>}}, {&S::DateAssignedID, {TextTerm<&D::szAssignedId>}},
    {&S::DateNote, {TextTerm<&D::szDescription>}},
};

inline constexpr RuleRow<T> kTask[] = {
    {&S::TaskSubject, {TextTerm<&T::szSubject>}},     {&S::TaskImportance, {TextTerm<&T::szPriority>}},
    {&S::TaskDueDate, {DateTerm<&T::dtDue>}},         {&S::TaskStatus, {TextTerm<&T::szStatus>}},
    {&S::TaskContactID, {TextTerm<&T::szContactId>}}, {&S::TaskAssignedID, {TextTerm<&T::szAssignedId>}},
    {&S::TaskNote, {TextTerm<&T::szDescription>}},
};
} // namespace RuleRows

// Contacts and calendar events match only within their type; tasks have none.
inline constexpr RuleTable<SGAddrRecord> kAddrRules{true, RuleRows::kAddr, std::size(RuleRows::kAddr)};
inline constexpr RuleTable<SGDateRecord> kDateRules{true, RuleRows::kDate, std::size(RuleRows::kDate)};
inline constexpr RuleTable<SGTaskRecord> kTaskRules{false, RuleRows::kTask, std::size(RuleRows::kTask)};
