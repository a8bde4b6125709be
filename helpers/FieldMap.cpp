// SPDX-License-Identifier: MIT
#include "FieldMap.h"

#include "FieldValues.h"
#include "SugarReply.h"
#include "records/CrmFields.h"

#include <cstdint>
#include <tuple>
#include <type_traits>
#include <utility>

namespace
{

// The store function of field I of a module: the field's kind decides how the text is taken.
template <const auto& Module, std::size_t I>
void StoreField(typename std::decay_t<decltype(Module)>::Record& record, const QString& value)
{
    constexpr auto field = Module.fields[I];
    void* pField = field.pfnAt(record);
    switch (field.value) {
    case CrmValue::Text:
        StoreText(static_cast<char*>(pField), field.nSize, value);
        break;
    case CrmValue::DateTime:
        *static_cast<double*>(pField) = UtcTextToOleDate(value);
        break;
    case CrmValue::Date:
        *static_cast<double*>(pField) = DateTextToOleDate(value);
        break;
    case CrmValue::Flag:
        *static_cast<uint8_t*>(pField) = FlagFromText(value) ? 1 : 0;
        break;
    case CrmValue::Integer: {
        bool bOk = false;
        const long long nValue = value.trimmed().toLongLong(&bOk);
        *static_cast<int32_t*>(pField) =
            bOk && nValue >= INT32_MIN && nValue <= INT32_MAX ? static_cast<int32_t>(nValue) : 0;
        break;
    }
    }
}

template <const auto& Module, std::size_t... I> auto MapOf(std::index_sequence<I...>)
{
    using Rec = typename std::decay_t<decltype(Module)>::Record;
    return ModuleMap<Rec>{
        Module.szModule, Module.nType, {FieldRule<Rec>{Module.fields[I].szName, &StoreField<Module, I>}...}};
}

// The module's rules, built from its table in records/CrmFields.h.
template <const auto& Module> auto MapOf()
{
    return MapOf<Module>(std::make_index_sequence<std::tuple_size_v<decltype(Module.fields)>>());
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
    static const std::vector<ModuleMap<SGAddrRecord>> modules = {MapOf<kCrmContacts>(), MapOf<kCrmAccounts>(),
                                                                 MapOf<kCrmLeads>()};
    return modules;
}

const std::vector<ModuleMap<SGDateRecord>>& DateModules()
{
    static const std::vector<ModuleMap<SGDateRecord>> modules = {MapOf<kCrmCalls>(), MapOf<kCrmMeetings>()};
    return modules;
}

const std::vector<ModuleMap<SGTaskRecord>>& TaskModules()
{
    static const std::vector<ModuleMap<SGTaskRecord>> modules = {MapOf<kCrmTasks>()};
    return modules;
}

const std::vector<ModuleMap<SGNoteRecord>>& NoteModules()
{
    static const std::vector<ModuleMap<SGNoteRecord>> modules = {MapOf<kCrmNotes>()};
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
