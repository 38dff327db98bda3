#include "shell/KitBoxHelp.h"

#include "runtime/RuntimeSession.h"
#include "shell/TextCatalogue.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <QUrl>

namespace kitbox {

KitBoxHelp::KitBoxHelp(KitBox &kitbox, const KitBoxServices &services, StoreSizes storeSizes, QObject *parent)
    : QObject(parent), m_kitbox(kitbox), m_services(services), m_storeSizes(std::move(storeSizes))
{
    if (QMenu *menu = m_kitbox.menu(QStringLiteral("MenuHelp")))
        connect(menu, &QMenu::aboutToShow, this, &KitBoxHelp::updateEntries);
    for (int i = 0; i < 4; ++i) {
        QAction *a = m_kitbox.menuAction(QStringLiteral("MenuHelpPdf%1").arg(i + 1));
        if (!a)
            continue;
        connect(a, &QAction::triggered, this, [this, i] {
            // The desktop reports its own failures; nothing more to say here.
            if (i < m_documents.size())
                QDesktopServices::openUrl(QUrl::fromLocalFile(m_documents.at(i).path));
        });
    }
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("Hilfe")))
        connect(a, &QAction::triggered, this, &KitBoxHelp::showContextHelp);
    auto *f1 = new QShortcut(QKeySequence(Qt::Key_F1), &m_kitbox);
    f1->setContext(Qt::ApplicationShortcut);
    connect(f1, &QShortcut::activated, this, &KitBoxHelp::showContextHelp);
    if (QAction *a = m_kitbox.menuAction(QStringLiteral("About")))
        connect(a, &QAction::triggered, this,
                [this] { HelpAbout::showAbout(aboutValues(), m_services.texts, m_services.dialogs); });
    updateEntries();
}

QString KitBoxHelp::programDirectory()
{
    return QCoreApplication::applicationDirPath();
}

QString KitBoxHelp::dataDirectory()
{
    return QDir::cleanPath(programDirectory() + QStringLiteral("/../share/kitbox32"));
}

void KitBoxHelp::updateEntries()
{
    m_documents = HelpAbout::documents(programDirectory(), dataDirectory(), m_services.texts.isEnglish());
    for (const HelpDocument &doc : m_documents) {
        if (QAction *a = m_kitbox.menuAction(doc.objectName)) {
            a->setText(m_services.texts.text(doc.captionText));
            a->setEnabled(doc.available);
        }
    }
}

void KitBoxHelp::showContextHelp()
{
    QString window;
    if (QMdiSubWindow *active = m_kitbox.mdiArea()->activeSubWindow())
        window =
            active->widget() && active->objectName().isEmpty() ? active->widget()->objectName() : active->objectName();
    const QString helpFile = m_services.texts.helpFileName(
        programDirectory(), QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    const QString url =
        HelpAbout::contextHelpUrl(programDirectory(), dataDirectory(), m_services.texts.isEnglish(), window, helpFile);
    if (!url.isEmpty())
        QDesktopServices::openUrl(QUrl(url));
}

HelpAbout::AboutValues KitBoxHelp::aboutValues() const
{
    HelpAbout::AboutValues v;
    v.version =
        QStringLiteral("%1.%2.%3").arg(KITBOX_VERSION_MAJOR).arg(KITBOX_VERSION_MINOR).arg(KITBOX_VERSION_PATCH);
    v.company = QCoreApplication::organizationName();
    v.settingsPath = m_services.settings.readPath();
    v.vedamisVersion = m_services.runtime.configValue(QStringLiteral("VedamisVersion"));
    v.ifhVersion = m_services.runtime.configValue(QStringLiteral("IfhVersion"));
    v.interfaceName = m_services.runtime.configValue(QStringLiteral("Interface"));
    if (const QScreen *screen = m_kitbox.screen()) {
        v.screenWidth = screen->size().width();
        v.screenHeight = screen->size().height();
    }
    if (m_storeSizes)
        v.storeSizes = m_storeSizes();
    return v;
}

} // namespace kitbox
