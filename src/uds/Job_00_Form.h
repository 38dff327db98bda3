#pragma once
// The control assistant of STEUERN, STEUERN_IO and STEUERN_ROUTINE: choose
// the function, the control parameter and the argument values, each checked
// as it is typed. The rules live in ControlAssistant; this window shows them
// and forwards the user's choices.
#include "uds/ControlAssistant.h"

#include <QColor>
#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QWidget;
class TextCatalogue;

namespace kitbox {

class DialogService;

class Job_00_Form : public QDialog {
    Q_OBJECT
public:
    Job_00_Form(const JobCatalogue &catalogue, const TextCatalogue &texts, DialogService &dialogs,
                const QString &service, QWidget *parent = nullptr);

    // Fills the lists and the grid from the job window's argument text.
    void prepare(const QString &argument);
    // Empty unless OK closed the dialog.
    QString argumentOut() const { return m_argumentOut; }
    const ControlAssistant &assistant() const { return m_assistant; }

    // The background a value entry shows for a valid and an invalid value.
    static QColor warningColour() { return QColor(255, 128, 128); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showStatus();
    void showGrid();
    void showValue(int i);
    void updateArgumentLine();
    void searchChanged(const QString &text);
    void accept() override;

    ControlAssistant m_assistant;
    const TextCatalogue &m_texts;
    DialogService &m_dialogs;
    QRadioButton *m_rbSpalte[3] = {};
    QCheckBox *m_chkInfo = nullptr;
    QLineEdit *m_search = nullptr;
    QComboBox *m_cbStatus = nullptr;
    QGroupBox *m_frameSteuern = nullptr;
    QRadioButton *m_rbSteuern[4] = {};
    QTableWidget *m_argGrid = nullptr;
    QLabel *m_argGridError = nullptr;
    QWidget *m_valuePanel = nullptr;
    QWidget *m_valueTop = nullptr;
    QComboBox *m_cbWert[ControlAssistant::maxValues] = {};
    QLineEdit *m_txWert[ControlAssistant::maxValues] = {};
    QLabel *m_argumentLine = nullptr;
    QLabel *m_hint = nullptr;
    QPushButton *m_btnOK = nullptr;
    QPushButton *m_btnCancel = nullptr;
    QString m_argumentOut;
    bool m_showing = false;
};

} // namespace kitbox
