// The archiver's "l" text cut into list rows at fixed columns (columns count
// UTF-16 code units; column 1 is the first character after a line feed).
//
//   row (63 characters): name 12 | size 12 | packed 12 | ratio 6 | date 8 | time 8,
//   one blank between fields; the sizes as "#,##0" right-aligned in 12.
//
// The member rows come in listing order, then one summary row. Beside each
// member row its exact name from column 72 is kept (to the line's end or a
// TAB), since the 12-character name column cannot name a longer name or one
// in a folder: it is the name commands pass back. A line whose sizes did not
// fit their columns ends in a TAB and the exact sizes, which the row shows.
#pragma once

#include "app/controls.h"

#include <QString>
#include <QStringView>
#include <vector>

namespace morvane {


// The stored path that a member's exact name stands for: "%XX" is the byte
// XX of its UTF-8 form (the archiver so writes control characters, '"',
// "%", "*" and "?"). For what a person sees and for the file a member
// becomes; commands pass the exact name itself.
QString Path_Of_Name(const QString& name);
// The same path as the name of the file the member becomes on disk: a byte
// that is no part of a UTF-8 character stays that byte (os/local_names.h),
// where Path_Of_Name shows U+FFFD.
QString File_Of_Name(const QString& name);

// The leading number of a field: blanks, tabs and line feeds are skipped
// wherever they stand; reading stops at the first character that cannot
// continue a number. No number reads as 0.
double Field_Value(QStringView field);

// "#,##0", rounded half away from zero, right-aligned in `width` characters
// (a longer number loses its leftmost characters).
QString Format_Size(double value, qsizetype width = 12);
// The same, appended to `out`.
void Append_Size(QString& out, double value, qsizetype width = 12);

std::vector<List_Row> Parse_Listing(const QString& text);

}  // namespace morvane
