#pragma once
// A table as CSV (RFC 4180, UTF-8, CR LF) or JSON, and the one function that
// writes either to a file (replacing it atomically).
#include "catalogue/TableText.h"

#include <kitbox/Result.h>

#include <QByteArray>
#include <QString>

#include <optional>

namespace kitbox::TableExport {

enum class Format { Csv, Json };

// "csv" or "json" (any case); none for anything else.
std::optional<Format> formatNamed(const QString &name);

// Column names first, then every row with columnCount cells. A cell is
// quoted when it holds a quote, a comma, a semicolon, a TAB, CR or LF, or
// starts or ends with a blank; quotes inside are doubled.
QByteArray csv(const TableText &table);
// {"table": name, "columns": [...], "rows": [[...], ...]}
QByteArray json(const QString &tableName, const TableText &table);
QByteArray text(const QString &tableName, const TableText &table, Format format);

Status save(const QString &path, const QString &tableName, const TableText &table, Format format);

} // namespace kitbox::TableExport
