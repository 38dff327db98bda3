#pragma once
// The status-read assistant: choose readable functions of SG_FUNKTIONEN by
// label, identifier or argument name, and get the argument text of
// STATUS_LESEN. The rules live in StatusReadAssistant; this window shows
// them and forwards the user's choices.
#include "uds/StatusReadAssistant.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class TextCatalogue;

namespace kitbox {

class Job_22_Form : public QDialog {
    Q_OBJECT
public:
    Job_22_Form(const JobCatalogue &catalogue, const TextCatalogue &texts, QWidget *parent = nullptr);

    // Fills the list and preselects from the job window's argument text.
    void prepare(const QString &argument);
    // Empty unless OK closed the dialog.
    QString argumentOut() const { return m_argumentOut; }
    const StatusReadAssistant &assistant() const { return m_assistant; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showList();
    void columnClicked(int option);
    void infoClicked(bool checked);
    void selectionChanged();
    void searchChanged(const QString &text);
    void accept() override;

    StatusReadAssistant m_assistant;
    const TextCatalogue &m_texts;
    QRadioButton *m_rbSpalte[3] = {};
    QCheckBox *m_chkInfo = nullptr;
    QLineEdit *m_search = nullptr;
    QListWidget *m_lbStatus = nullptr;
    QLabel *m_argumentLine = nullptr;
    QPushButton *m_btnOK = nullptr;
    QPushButton *m_btnCancel = nullptr;
    QString m_argumentOut;
};

} // namespace kitbox
