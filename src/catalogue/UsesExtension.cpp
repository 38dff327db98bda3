#include "catalogue/UsesExtension.h"

#include "catalogue/FileLookup.h"
#include "runtime/VedamisApi.h"

#include <QSet>

namespace kitbox {

namespace {

const QString kUnload = QStringLiteral("$$$$$$$$");

// Whether the set holds a result of this name, asked without reading it: a
// failed read would leave the runtime with an error until the next job.
bool hasResult(VedamisApi &api, const QString &name, qint16 set)
{
    // A failed job has no sets to ask; a description without any version
    // field gives none either. Asking the set then would replace the job's
    // own error (or no error) with "result set not found".
    qint16 sets = 0;
    if (!api.apiResultSets(sets) || sets < set)
        return false;
    qint16 count = 0;
    if (!api.apiResultNumber(count, set))
        return false;
    for (qint16 index = 1; index <= count; ++index) {
        QString found;
        if (api.apiResultName(found, index, set) && found.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void readRevision(VedamisApi &api, const QString &description)
{
    api.apiJob(description, QStringLiteral("_VERSIONINFO"), QString(), QString());
    // The value is not used: this only leaves the runtime with the loaded
    // description's version results. A description without a revision of
    // its own has no such result, which is no error to report.
    const QString name = QStringLiteral("REVISION");
    if (!hasResult(api, name, 1))
        return;
    QString revision;
    (void)api.apiResultText(revision, name, 1, QString());
}

} // namespace

int UsesExtension::readBaseNames(JobCatalogue &catalogue, const QString &description)
{
    catalogue.baseNames.clear();
    m_api.apiJob(description, QStringLiteral("_VERSIONINFO"), QString(), QString());
    for (int n = 0; n < maxBases; ++n) {
        const QString key = QStringLiteral("USES") + QString::number(n);
        QString name;
        if (!hasResult(m_api, key, 1) || !m_api.apiResultText(name, key, 1, QString()) || name.isEmpty())
            break;
        catalogue.baseNames.append(name);
    }
    readRevision(m_api, description);
    return int(catalogue.baseNames.size()) - 1;
}

void UsesExtension::appendBaseJobs(JobCatalogue &catalogue, int k, const QString &loadedName)
{
    const QString base = baseName(catalogue, k);
    m_api.apiJob(kUnload, kUnload, QString(), QString());
    qint16 ignored = 0;
    (void)m_api.apiResultSets(ignored);
    m_api.apiJob(base, QStringLiteral("_JOBS"), QString(), QString());
    const qint16 jobError = m_api.apiErrorCode();
    const QString jobErrorText = jobError != 0 ? m_api.apiErrorText() : QString();
    qint16 sets = 0;
    const bool haveSets = jobError == 0 && m_api.apiResultSets(sets);
    QString variant;
    m_host.setEcuInfoEnabled(m_api.apiResultText(variant, QStringLiteral("VARIANTE"), 0, QString()));

    if (jobError != 0) {
        readRevision(m_api, loadedName);
        m_host.reportRuntimeError(jobError, jobErrorText);
        return;
    }

    QSet<QString> known;
    known.reserve(catalogue.jobList.size() + (haveSets ? sets : 0));
    for (const QString &entry : catalogue.jobList)
        known.insert(entry.toUpper());
    catalogue.jobList.append(JobCatalogue::separatorFor(base));
    for (int set = 1; haveSets && set <= sets; ++set) {
        QString job;
        if (!m_api.apiResultText(job, QStringLiteral("JOBNAME"), qint16(set), QString()))
            break;
        const QString upper = job.toUpper();
        if (known.contains(upper))
            continue;
        known.insert(upper);
        catalogue.jobList.append(job.toLower());
    }
    const qint16 pending = m_api.apiErrorCode();
    if (pending != 0)
        m_host.reportRuntimeError(pending, m_api.apiErrorText());
}

QString UsesExtension::baseFile(const JobCatalogue &catalogue, const QString &ecuPath, int k)
{
    if (k < 0 || k >= catalogue.baseNames.size())
        return QStringLiteral(" ");
    return findFileIgnoringCase(ecuPath, catalogue.baseNames.at(k).toUpper() + QStringLiteral(".PRG"));
}

QString UsesExtension::baseName(const JobCatalogue &catalogue, int k)
{
    if (k < 0 || k >= catalogue.baseNames.size())
        return QStringLiteral(" ");
    return catalogue.baseNames.at(k).toUpper();
}

} // namespace kitbox
