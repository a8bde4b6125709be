// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class Store;

// Made-up records with duplicates, always the same ones (fixed random seed), so that tests and
// the demo can rely on them. Both expect an empty store and write in one transaction.
namespace Seed
{
// A few hundred accounts, contacts and leads with calls, meetings, tasks and notes, and
// duplicates of every kind: exact copies, letter-case variants, copies without e-mail, names
// stored entity-encoded in one copy and raw in the other, the same person as a contact and a
// lead, repeated meetings, and a few records already deleted.
bool demo(Store& store, const QString& userId);

// count contacts, every tenth an exact copy of an earlier one (for benchmarks).
bool contacts(Store& store, const QString& userId, int count);
} // namespace Seed
