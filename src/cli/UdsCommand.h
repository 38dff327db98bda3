#pragma once
// kitbox32-cli uds: composes the argument of a generic UDS job from the
// description's SG_FUNKTIONEN exactly as the argument assistants do, checks
// the values, and prints the argument and the result names it will deliver.
#include <kitbox/Result.h>

#include <QString>
#include <QStringList>
#include <QTextStream>

class TextCatalogue;

namespace kitbox {

struct JobCatalogue;

struct UdsRequest {
    QString file;
    QString job;
    QString selector = QStringLiteral("LABEL");
    bool info = false;
    QStringList functions;
    QString parameter; // empty: the assistant's default
    QStringList values;
    QString language;
    QString settingsFilePath;
};

QString udsUsage();
Result<UdsRequest> parseUdsArguments(const QStringList &words);
// The assistant's work on a loaded catalogue; returns the exit code.
int composeUds(const UdsRequest &request, const JobCatalogue &catalogue, const TextCatalogue &texts, QTextStream &out,
               QTextStream &err);
int udsCommandMain(const QStringList &words, QTextStream &out, QTextStream &err);

} // namespace kitbox
