#pragma once
// kitbox32-cli check: the authoring check of the UDS function table of one or
// more descriptions, with the same report text as the workbench, for scripts
// and CI servers.
#include <QStringList>
#include <QTextStream>

namespace kitbox {

QString checkUsage();

// Exit codes: 0 no description has a finding, 3 at least one has, 1 a file
// could not be loaded (named on the error stream), 2 wrong arguments.
int checkCommandMain(const QStringList &words, QTextStream &out, QTextStream &err);

} // namespace kitbox
