#pragma once
// "tables FILE [--table NAME] [--format text|csv|json] [--output PATH]":
// loads a description as the workbench does and prints its table list as
// the table viewer lists it, or one table.
#include "catalogue/TableExport.h"

#include <kitbox/Result.h>

#include <QStringList>
#include <QTextStream>

#include <optional>

namespace kitbox {

class DialogService;
class SifterApi;
class VedamisApi;

struct TablesRequest {
    QString file;
    QString table; // empty: the list
    std::optional<TableExport::Format> format; // none: text as printed
    QString output; // empty: standard output
    QString settingsFilePath;
};

Result<TablesRequest> parseTablesArguments(const QStringList &words);
QString tablesUsage();

// Exit code: 0; 1 when the description cannot be loaded, the table is not in
// it or the output file cannot be written.
int runTablesCommand(const TablesRequest &request, VedamisApi &api, SifterApi &sifter, DialogService &dialogs,
                     QTextStream &out, QTextStream &err);

// The whole command for main(): the words after "tables".
int tablesCommandMain(const QStringList &words, QTextStream &out, QTextStream &err);

} // namespace kitbox
