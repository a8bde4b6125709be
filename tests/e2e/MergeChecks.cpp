// SPDX-License-Identifier: MIT
#include "MergeChecks.h"

#include "MergeRecord.h"

#include <gtest/gtest.h>

std::string Key(const QString& module, const QString& id)
{
    return module.toStdString() + '/' + id.toStdString();
}

LinkSets ReadLinks(CrmSession& crm, const std::vector<std::pair<QString, QString>>& records)
{
    LinkSets links;
    for (const auto& [module, id] : records) {
        for (const QString& link : MergeLinksOf(module))
            links[Key(module, id) + '/' + link.toStdString()] = crm.Related(module, id, link);
    }
    return links;
}

void ExpectLinksMoved(const LinkSets& before, const LinkSets& after,
                      const std::vector<std::pair<QString, QString>>& records,
                      const std::map<std::string, std::string>& keptFor)
{
    for (const auto& [module, id] : records) {
        const auto kept = keptFor.find(id.toStdString());
        if (kept == keptFor.end())
            continue;
        for (const QString& link : MergeLinksOf(module)) {
            const std::string suffix = '/' + link.toStdString();
            const std::string keptKey = module.toStdString() + '/' + kept->second + suffix;
            std::set<std::string> expected = before.at(keptKey);
            for (const auto& [otherModule, otherId] : records) {
                const auto other = keptFor.find(otherId.toStdString());
                if (otherModule == module && other != keptFor.end() && other->second == kept->second) {
                    const auto& more = before.at(Key(module, otherId) + suffix);
                    expected.insert(more.begin(), more.end());
                }
            }
            EXPECT_EQ(expected, after.at(keptKey)) << module.toStdString() << ' ' << link.toStdString();
        }
    }
}

void ExpectOnlyRepointedOrFilled(const ServerTable& before, const ServerTable& after,
                                 const std::map<std::string, std::string>& keptFor,
                                 const std::map<std::string, std::map<std::string, QString>>& filled)
{
    std::set<std::string> gone;
    for (const auto& [key, fields] : before) {
        const auto it = after.find(key);
        if (it == after.end()) {
            gone.insert(key.substr(key.find('/') + 1));
            continue;
        }
        const auto fill = filled.find(key);
        for (const QString& field : fields.keys() + it->second.keys()) {
            const QString was = FieldText(fields, field.toUtf8().constData());
            const QString now = FieldText(it->second, field.toUtf8().constData());
            if (was == now || field == QLatin1String("date_modified") || field == QLatin1String("modified_user_id"))
                continue;
            if (fill != filled.end()) {
                const auto value = fill->second.find(field.toStdString());
                EXPECT_TRUE(was.isEmpty() && value != fill->second.end() && value->second == now)
                    << key << ' ' << field.toStdString() << ": " << was.toStdString() << " -> " << now.toStdString();
                continue;
            }
            const auto kept = keptFor.find(was.toStdString());
            EXPECT_TRUE(kept != keptFor.end() && kept->second == now.toStdString())
                << key << ' ' << field.toStdString() << ": " << was.toStdString() << " -> " << now.toStdString();
        }
    }
    std::set<std::string> merged;
    for (const auto& pair : keptFor)
        merged.insert(pair.first);
    EXPECT_EQ(merged, gone);
}
