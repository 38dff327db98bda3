#pragma once
// Puts the UDS argument assistants and the result preview into the job
// window: btnArgumentCompose opens Job_22_Form or Job_00_Form, and the
// result list gets the preview lines with their running time.
#include <QObject>

class TextCatalogue;

namespace kitbox {

class Clock;
class DialogService;
class Job_Form;
class KitBoxCatalogue;
struct JobCatalogue;

class KitBoxUdsAssistants : public QObject {
    Q_OBJECT
public:
    KitBoxUdsAssistants(KitBoxCatalogue &catalogue, const TextCatalogue &texts, DialogService &dialogs, Clock &clock,
                        QObject *parent = nullptr);

    // Installs the assistant and the preview on a job window.
    void attach(Job_Form &form);

private:
    KitBoxCatalogue &m_catalogue;
    const TextCatalogue &m_texts;
    DialogService &m_dialogs;
    Clock &m_clock;
};

} // namespace kitbox
