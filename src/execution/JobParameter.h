#pragma once
// The job request gathered from the job window right before a run.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include "kitbox/Result.h"

namespace kitbox {

struct JobParameter {
    // The largest data argument a request holds (bytes).
    static constexpr qsizetype maxDataBytes = 1025;
    // Job text of the separator line between own and inherited jobs.
    static constexpr QStringView separatorJob = u"---- USES:";

    bool dataFlag = false;
    QString sgbd;
    QString job;
    qint32 jobIndex = -1;
    QString argumente;
    // Parsed data argument; its size is the request's data length (0 when
    // dataFlag is clear).
    QByteArray dataBytes;
    QString results;

    qint16 dataLaenge() const { return qint16(dataBytes.size()); }
    // True for the separator entry: such a request runs nothing.
    bool isSeparator() const;
};

// Reads a data argument: the trimmed text is taken two characters at a time,
// each pair trimmed and read as a hex byte (empty or not hexadecimal gives 0),
// the rest trimmed again. "12 34 AB", "1234AB" and "1 2" (01 02) all work.
// Fails with a message when the text holds more than maxDataBytes bytes.
Result<QByteArray> dataArgumentLesen(QStringView text);

// What the job window shows when a run starts.
struct JobSelection {
    QString entry;               // text of the selected JobListe entry, empty when none
    qint32 index = -1;           // its list index
    QString argumentText;        // ArgumentEingabe
    bool dataFlag = false;       // DataFlag ticked
    QStringList resultEntries;   // every ResultListe entry, in list order
    QStringList selectedResults; // the selected ResultListe entries, in list order
    QString resultText;          // ResultEingabe
};

// JobParameterHolen: the job request for a selection of the description sgbd.
// A separator entry gives a request whose job is the separator and nothing
// else; a data argument longer than the request holds fails with a message.
Result<JobParameter> jobParameterHolen(const JobSelection &selection, const QString &sgbd);

} // namespace kitbox
