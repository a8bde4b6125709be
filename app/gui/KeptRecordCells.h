// SPDX-License-Identifier: MIT
// The columns that say why a listed record is a duplicate: the record kept for it and the rules
// on which the two agreed. A record that no kept record stands for shows them empty.
#pragma once

#include <QString>

// A column of a review list: its caption, its starting width in pixels, and its cell, read from
// the row's record when the view asks for it.
struct ListColumn
{
    const char* szCaption;
    int nWidth;
    QString (*pfnCell)(const void* pRecord);
};

struct ListColumns
{
    const ListColumn* pColumns;
    int nCount;
};

// The kept-record columns of the kind at that place in kDataKinds; none for notes, which have no
// content to agree on.
ListColumns KeptColumnsOf(int nKind);
