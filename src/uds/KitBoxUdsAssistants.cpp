#include "uds/KitBoxUdsAssistants.h"

#include "catalogue/KitBoxCatalogue.h"
#include "shell/Clock.h"
#include "uds/Job_00_Form.h"
#include "uds/Job_22_Form.h"
#include "uds/UdsResultPreview.h"

#include <QPointer>

namespace kitbox {

KitBoxUdsAssistants::KitBoxUdsAssistants(KitBoxCatalogue &catalogue, const TextCatalogue &texts,
                                         DialogService &dialogs, Clock &clock, QObject *parent)
    : QObject(parent), m_catalogue(catalogue), m_texts(texts), m_dialogs(dialogs), m_clock(clock)
{
    connect(&catalogue, &KitBoxCatalogue::jobFormCreated, this, [this](Job_Form *form) { attach(*form); });
    if (catalogue.jobForm() != nullptr)
        attach(*catalogue.jobForm());
}

void KitBoxUdsAssistants::attach(Job_Form &form)
{
    QPointer<Job_Form> window(&form);
    form.setAssistantHandler([this, window](JobWindowRules::Assistant assistant, const QString &service,
                                            const QString &argument) -> QString {
        QWidget *parent = window ? window->window() : nullptr;
        if (assistant == JobWindowRules::Assistant::StatusRead) {
            Job_22_Form dialog(m_catalogue.catalogue(), m_texts, parent);
            dialog.prepare(argument);
            dialog.exec();
            return dialog.argumentOut();
        }
        Job_00_Form dialog(m_catalogue.catalogue(), m_texts, m_dialogs, service, parent);
        dialog.prepare(argument);
        dialog.exec();
        return dialog.argumentOut();
    });
    form.setResultPreview([this, window](const QString &job, const QString &argument) {
        const quint32 start = m_clock.milliseconds();
        const QStringList lines = UdsResultPreview::lines(m_catalogue.catalogue(), job, argument);
        const quint32 elapsed = Clock::elapsedMs(start, m_clock.milliseconds());
        if (window)
            window->setPreviewStatus(lines.isEmpty() ? QString() : UdsResultPreview::timeText(elapsed));
        return lines;
    });
}

} // namespace kitbox
