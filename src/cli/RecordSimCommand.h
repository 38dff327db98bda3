#pragma once
// "record-sim TRACE -o NAME.SIM": the telegrams of an interface trace as a
// simulation file, so that the recorded session can be replayed.
#include <QStringList>
#include <QTextStream>

namespace kitbox {

QString recordSimUsage();

// Exit codes: 0 written; 1 the trace cannot be read or holds no telegrams;
// 2 a wrong command line; 3 the output exists (without --force) or cannot be
// written.
int recordSimCommandMain(const QStringList &words, QTextStream &out, QTextStream &err);

} // namespace kitbox
