#include "catalogue/DescriptionLoader.h"

#include "catalogue/FileLookup.h"
#include "catalogue/UsesExtension.h"
#include "runtime/VedamisApi.h"
#include "shell/DialogService.h"
#include "shell/TextCatalogue.h"

#include <QFileInfo>

namespace kitbox {

namespace {

const QString kUnload = QStringLiteral("$$$$$$$$");
const QString kEcuPath = QStringLiteral("EcuPath");

} // namespace

QString DescriptionLoader::loadedNameOf(const QString &path)
{
    const QString file = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = file.indexOf(QLatin1Char('.'));
    return (dot < 0 ? file : file.left(dot)).toUpper();
}

QString DescriptionLoader::directoryOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

QString DescriptionLoader::openFilter() const
{
    // Both spellings of the extension: the file system tells case apart.
    return QStringLiteral("SGBD *.prg (*.prg *.PRG);;") + m_texts.text(42) + QStringLiteral(" *.grp (*.grp *.GRP)");
}

void DescriptionLoader::message(const QString &text, const CatalogueOptions &options)
{
    if (!options.udsCheckActive)
        m_dialogs.message(text, m_texts.text(10), MessageIcon::Warning);
}

QString DescriptionLoader::chooseFile()
{
    QString ecuPath;
    if (!m_api.apiGetConfig(kEcuPath, ecuPath))
        m_dialogs.message(m_texts.text(505) + QStringLiteral(" ApiGetConfig()"), m_texts.text(10),
                          MessageIcon::Warning);
    for (;;) {
        const QString chosen = m_dialogs.openFileName(m_texts.text(10), ecuPath, openFilter());
        const QString upper = chosen.toUpper();
        if (chosen.isEmpty() || upper.contains(QLatin1String(".PRG")) || upper.contains(QLatin1String(".GRP")))
            return chosen;
        m_dialogs.message(m_texts.text(506) + kCrLf + chosen, m_texts.text(10), MessageIcon::Warning);
    }
}

bool DescriptionLoader::load(JobCatalogue &catalogue, const QString &fileName, const CatalogueOptions &options)
{
    const QString name = fileName.isEmpty() ? chooseFile() : fileName;
    if (name.isEmpty())
        return false;
    // A relative name (from the command line) is taken from the current directory.
    QString path = QFileInfo(name).isAbsolute() ? name : QFileInfo(name).absoluteFilePath();
    path = findPathIgnoringCase(path);
    if (!QFileInfo(path).isFile()) {
        message(m_texts.text(507) + kCrLf + name, options);
        return false;
    }
    loadFile(catalogue, path, options);
    return true;
}

void DescriptionLoader::loadFile(JobCatalogue &catalogue, const QString &path, const CatalogueOptions &options)
{
    // 1. The runtime looks for descriptions in the file's directory from now on.
    if (!m_api.apiSetConfig(kEcuPath, directoryOf(path)))
        message(m_texts.text(505) + QStringLiteral(" ApiSetConfig()"), options);
    catalogue.loadedName = loadedNameOf(path);

    // 2., 3. Recent files; the job window and the catalogue start empty.
    m_host.addRecentFile(path);
    m_host.resetJobWindow();
    catalogue.clearTexts();
    catalogue.jobList.clear();
    catalogue.baseNames.clear();
    catalogue.variantName.clear();
    catalogue.descriptionPath.clear();
    catalogue.isUdsSgbd = false;

    // 4. Unload whatever the runtime holds, then ask the description for its jobs.
    m_api.apiJob(kUnload, kUnload, QString(), QString());
    qint16 sets = 0;
    (void)m_api.apiResultSets(sets);
    m_api.apiJob(catalogue.loadedName, QStringLiteral("_JOBS"), QString(), QString());
    const qint16 jobError = m_api.apiErrorCode();
    const QString jobErrorText = jobError != 0 ? m_api.apiErrorText() : QString();
    sets = 0;
    const bool haveSets = jobError == 0 && m_api.apiResultSets(sets);
    QString caption = catalogue.loadedName + QStringLiteral(": ") + m_texts.text(15);

    // 5. The variant: the description itself, or the one a group file identified.
    QString variant;
    const bool haveVariant = m_api.apiResultText(variant, QStringLiteral("VARIANTE"), 0, QString());
    if (haveVariant) {
        catalogue.variantName = variant;
        if (variant.compare(catalogue.loadedName, Qt::CaseInsensitive) != 0)
            caption += QStringLiteral(" --> ") + variant;
    } else {
        catalogue.variantName = catalogue.loadedName;
    }
    m_host.setJobWindowCaption(caption);
    m_host.setEcuInfoEnabled(haveVariant);

    // 6. The runtime refused the description.
    if (jobError != 0) {
        m_host.closeDetailWindows();
        m_host.showJobList({});
        m_host.reportRuntimeError(jobError, jobErrorText);
        return;
    }

    // 7. One job per result set.
    for (int set = 1; haveSets && set <= sets; ++set) {
        QString job;
        if (!m_api.apiResultText(job, QStringLiteral("JOBNAME"), qint16(set), QString())) {
            catalogue.jobList.clear();
            break;
        }
        catalogue.jobList.append(job.toLower());
    }

    // 8. The jobs of the base descriptions.
    if (m_api.apiErrorCode() == 0) {
        UsesExtension uses(m_api, m_host);
        const int lastBase = uses.readBaseNames(catalogue, catalogue.loadedName);
        for (int k = 0; k <= lastBase; ++k)
            uses.appendBaseJobs(catalogue, k, catalogue.loadedName);
    }

    // 9. Show the list and read the catalogue texts from the variant's file.
    m_host.showJobList(catalogue.jobList);
    if (!catalogue.jobList.isEmpty()) {
        QString ecuPath;
        if (!m_api.apiGetConfig(kEcuPath, ecuPath))
            message(m_texts.text(505) + QStringLiteral(" ApiGetConfig()"), options);
        catalogue.descriptionPath =
            findFileIgnoringCase(ecuPath, catalogue.variantName.toUpper() + QStringLiteral(".PRG"));
        CatalogueFill fill(m_api, m_sifter, m_texts, m_host);
        fill.run(catalogue, ecuPath, int(catalogue.jobList.size()), true, options);
        m_host.reinitTableViewer();
        catalogue.isUdsSgbd = catalogue.ownTableIndex(QStringLiteral("SG_FUNKTIONEN")) >= 0;
    }

    // 10. Whatever the runtime still reports.
    const qint16 pending = m_api.apiErrorCode();
    if (pending != 0)
        m_host.reportRuntimeError(pending, m_api.apiErrorText());
}

} // namespace kitbox
