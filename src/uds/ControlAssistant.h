#pragma once
// What the control dialog (Job_00_Form) does, without the window, for the
// jobs STEUERN (2E), STEUERN_IO (2F) and STEUERN_ROUTINE (31): the function
// list, the control parameter, the argument rows of the chosen function with
// one value entry each, the value check and the composed argument. The
// command line drives the same object.
#include "uds/UdsFunctionList.h"
#include "uds/UdsValueCheck.h"

#include <QList>
#include <QString>
#include <QStringList>

class TextCatalogue;

namespace kitbox {

struct JobCatalogue;

class ControlAssistant {
public:
    static constexpr int maxValues = 10;

    enum class EntryKind { None, Switch, Discrete, Text }; // hidden, "0/1", "0-n", free text
    struct ValueEntry {
        EntryKind kind = EntryKind::None;
        QStringList items; // list entries of Switch and Discrete
        QString text;      // what the entry shows
        bool valid = false;
    };
    struct ParameterOption {
        QString caption;
        QString toolTip;
        bool visible = true;
    };
    struct Composed {
        bool ok = false;
        QString text;            // the argument text when ok
        QString error;           // the message when not ok (no status chosen)
        QStringList emptyValues; // "Zeile n: Wert nicht befüllt" per shown row without a value
    };

    ControlAssistant(const JobCatalogue &catalogue, const TextCatalogue &texts, const QString &service);

    // The job of a service ("STEUERN", ...) or "<S> Tag unbekannt !".
    static QString jobName(const QString &service);
    QString caption() const;
    QString service() const { return m_service; }

    // The whole opening: lists filled, preselection from the job window's
    // argument text, grid built, values filled in.
    void open(const QString &argument);

    void setColumn(int option);
    void setInfo(bool info);
    int column() const { return m_column; }
    bool info() const { return m_info; }
    QString selector() const { return UdsFunctionList::columnCaptions().at(m_column); }

    const QList<UdsFunctionEntry> &statusEntries() const { return m_status; }
    int statusIndex() const { return m_statusIndex; }
    void setStatus(int index);
    bool selectStatusByName(const QString &name);
    // The list is empty or holds only a message: it shows the warning colour.
    bool statusWarning() const;

    bool parameterFrameVisible() const { return m_service != QLatin1String("2E"); }
    const QList<ParameterOption> &parameterOptions() const { return m_parameters; }
    int parameterIndex() const { return m_parameter; }
    void setParameter(int option);
    bool selectParameter(const QString &caption);
    QString controlParameter() const;

    // The grid: the shown argument rows, or the error text instead of them.
    const QList<UdsArgumentRow> &rows() const { return m_rows; }
    static QStringList gridCells(const UdsArgumentRow &row);
    bool gridShown() const { return m_gridShown; }
    QString gridErrorText() const { return m_gridError; }
    QString infoString() const;
    QString rowToolTip(int row) const; // row 1-based
    QString argumentTableName() const;

    const QList<ValueEntry> &values() const { return m_values; }
    // A value typed into entry i (0-based).
    void setValueText(int i, const QString &text);
    // An entry chosen from the list of entry i.
    void chooseValue(int i, int item);
    // The preselection rule for one value: lists pick the matching entry,
    // else (0-n) the value stays as typed text.
    void fillValue(int i, const QString &value);
    // The first shown value entry that is not valid, -1 when all are.
    int firstInvalidValue() const;

    Composed compose() const;

private:
    void fillStatus();
    void buildGrid();
    QStringList discreteItems(const QString &tableName) const;

    const JobCatalogue &m_catalogue;
    const TextCatalogue &m_texts;
    QString m_service;
    bool m_initialising = false;
    int m_column = 0;
    bool m_info = false;
    QList<UdsFunctionEntry> m_status;
    int m_statusIndex = -1;
    QList<ParameterOption> m_parameters;
    int m_parameter = 0;
    QList<UdsArgumentRow> m_rows;
    bool m_gridShown = true;
    QString m_gridError;
    QList<ValueEntry> m_values;
};

} // namespace kitbox
