#pragma once
// Reads the telegrams out of the runtime's interface trace (IFH.TRC): each
// request with the answer it got, the delay the simulation gave it and the
// job it belonged to. Lines the reader does not know (headers, other
// interfaces' lines, job error lines) are passed over; a telegram line whose
// bytes cannot be read is an error naming the line.
#include <kitbox/Result.h>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

namespace kitbox {

struct TraceExchange {
    int line = 0; // line of the request, from 1
    QByteArray request;
    QByteArray response;
    bool noResponse = false;
    int delayMs = 0;
    QString description; // from the job line around it; empty in a level-1 trace
    QString job;
};

struct TraceReading {
    std::vector<TraceExchange> exchanges;
    int lineCount = 0;
    int unansweredRequests = 0; // requests cut off by a break or the end of the file
};

Result<TraceReading> readTraceTelegrams(QByteArrayView data);

// "22 F4 0C" and "22F40C" give the same bytes; anything else fails with the
// offending token as reason.
Result<QByteArray> parseHexBytes(QByteArrayView text);

} // namespace kitbox
