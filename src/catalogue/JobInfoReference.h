#pragma once
// A table named in a job's information text: a line holding the word TABLE
// followed by the table's name, and perhaps column names, leads to that
// table with those columns marked.
#include "catalogue/JobCatalogue.h"

#include <QString>

#include <optional>

namespace kitbox::JobInfoReference {

struct Reference {
    QString tableName;   // upper case
    QString searchValue; // the line from TABLE on; empty when it names only the table
};

// The reference on one line of the text (without its line end); none when
// the line has no word TABLE followed by a name.
std::optional<Reference> onLine(const QString &line);
// The line of text (lines ended by CR LF, CR or LF) that holds position.
QString lineAt(const QString &text, qsizetype position);

// The table a reference leads to. A job inherited from a base (its text
// begins with "---- uses : " and the base's name) names the base's tables,
// any other job those of the loaded description itself. -1: none qualifies.
int resolve(const JobCatalogue &catalogue, const QString &jobInfo, const QString &tableName);

} // namespace kitbox::JobInfoReference
