#pragma once
// Every message box and file dialog of the program goes through this
// interface, so that the logic can be driven without windows and tests can
// read what would have been shown and answer it.
#include <QString>
#include <QStringList>

namespace kitbox {

enum class MessageIcon { None, Information, Warning, Critical, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class DialogAnswer { Ok, Cancel, Yes, No };

class DialogService {
public:
    virtual ~DialogService() = default;

    // Shows a modal message box and returns the button chosen. Closing the box
    // without a button counts as its most cautious answer (Cancel, else No, else Ok).
    virtual DialogAnswer message(const QString &text, const QString &title, MessageIcon icon,
                                 MessageButtons buttons = MessageButtons::Ok) = 0;

    // File dialogs return the chosen path(s), or empty when cancelled.
    // filter uses the form "Description (*.prg *.grp);;All files (*)".
    virtual QString openFileName(const QString &title, const QString &directory, const QString &filter) = 0;
    virtual QStringList openFileNames(const QString &title, const QString &directory, const QString &filter) = 0;
    virtual QString saveFileName(const QString &title, const QString &path, const QString &filter) = 0;
};

// The answer a box gives when it is closed without a button.
DialogAnswer cautiousAnswer(MessageButtons buttons);

} // namespace kitbox
