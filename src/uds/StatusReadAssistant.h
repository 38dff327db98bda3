#pragma once
// What the status-read dialog (Job_22_Form) does, without the window: the
// list of readable functions for the chosen column, the preselection from
// the argument text, the selection's tool tip and the composed argument.
// The command line drives the same object.
#include "uds/UdsFunctionList.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kitbox {

struct JobCatalogue;

class StatusReadAssistant {
public:
    explicit StatusReadAssistant(const JobCatalogue &catalogue);

    // rbSpalte and chkInfo: the list is filled again, the selection is lost.
    void setColumn(int option);
    void setInfo(bool info);
    int column() const { return m_column; }
    bool info() const { return m_info; }
    QString selector() const { return UdsFunctionList::columnCaptions().at(m_column); }

    const QList<UdsFunctionEntry> &entries() const { return m_entries; }
    QStringList entryTexts() const;
    bool isSelected(int entry) const { return entry >= 0 && entry < m_selected.size() && m_selected.at(entry); }
    void setSelected(int entry, bool selected);
    // Selects the first entry of that name; false when there is none.
    bool selectByName(const QString &name);
    QList<int> selectedEntries() const;

    // Opening with the argument text of the job window: its first part checks
    // the column option, the others select entries by name.
    void preselect(const QString &argument);
    // The selected names in list order, joined by ";".
    QString toolTip() const;
    // What OK returns: the selector and the selected names in list order.
    QString compose() const;

private:
    void fill();

    const JobCatalogue &m_catalogue;
    int m_column = 0;
    bool m_info = false;
    QList<UdsFunctionEntry> m_entries;
    QList<bool> m_selected;
};

} // namespace kitbox
