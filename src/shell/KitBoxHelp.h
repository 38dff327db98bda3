#pragma once
// The main window's side of the help menu: the four documents (enabled by
// whether their files are there, opened by the desktop), the context help on
// Hilfe and F1 at the section of the active window, and the About box.
#include "shell/HelpAbout.h"
#include "shell/KitBox.h"

#include <QObject>

#include <array>
#include <functional>

namespace kitbox {

class KitBoxHelp : public QObject {
    Q_OBJECT
public:
    // storeSizes: characters in the loaded description's argument, result,
    // comment and table stores (all 0 when nothing is loaded).
    using StoreSizes = std::function<std::array<qint64, 4>()>;
    KitBoxHelp(KitBox &kitbox, const KitBoxServices &services, StoreSizes storeSizes, QObject *parent = nullptr);

    // Captions, paths and enabled state of the document entries for the current language.
    void updateEntries();
    void showContextHelp();
    HelpAbout::AboutValues aboutValues() const;
    // Where the program looks for its documents.
    static QString programDirectory();
    static QString dataDirectory();

private:
    KitBox &m_kitbox;
    KitBoxServices m_services;
    StoreSizes m_storeSizes;
    QList<HelpDocument> m_documents;
};

} // namespace kitbox
