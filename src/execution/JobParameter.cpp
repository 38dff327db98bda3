#include "execution/JobParameter.h"

#include "catalogue/JobWindowRules.h"

namespace kitbox {

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

// A pair (already trimmed, one or two characters) as a byte; anything that is
// not a hex number counts as 0.
char pairValue(QStringView pair)
{
    int value = 0;
    for (const QChar c : pair) {
        const int d = hexDigit(c);
        if (d < 0)
            return 0;
        value = value * 16 + d;
    }
    return char(value);
}

} // namespace

bool JobParameter::isSeparator() const
{
    return job.toUpper() == separatorJob;
}

Result<QByteArray> dataArgumentLesen(QStringView text)
{
    QByteArray bytes;
    QStringView rest = text.trimmed();
    while (!rest.isEmpty()) {
        if (bytes.size() == JobParameter::maxDataBytes) {
            return Result<QByteArray>::failure("The data argument holds more than " +
                                               std::to_string(JobParameter::maxDataBytes) +
                                               " bytes; shorten it to run the job.");
        }
        bytes.append(pairValue(rest.left(2).trimmed()));
        rest = rest.mid(std::min<qsizetype>(2, rest.size())).trimmed();
    }
    return bytes;
}

Result<JobParameter> jobParameterHolen(const JobSelection &selection, const QString &sgbd)
{
    JobParameter request;
    if (selection.entry.toUpper().contains(JobParameter::separatorJob)) {
        request.job = JobParameter::separatorJob.toString();
        return request;
    }
    if (selection.entry.isEmpty())
        return request;

    request.sgbd = sgbd;
    request.job = selection.entry;
    request.jobIndex = selection.index;
    if (selection.dataFlag) {
        request.dataFlag = true;
        request.argumente = selection.argumentText.trimmed();
        auto bytes = dataArgumentLesen(request.argumente);
        if (!bytes.ok())
            return Result<JobParameter>::failure(bytes.error());
        request.dataBytes = std::move(bytes).value();
    } else {
        request.argumente = selection.argumentText;
    }
    if (!selection.resultEntries.isEmpty())
        request.results = JobWindowRules::resultFilter(selection.selectedResults);
    else
        request.results = selection.resultText;
    return request;
}

} // namespace kitbox
