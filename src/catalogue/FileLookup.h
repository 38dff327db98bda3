#pragma once
// Names the program builds from upper-cased description names (EcuPath/NAME.PRG)
// are found in their directory without regard to case, the exact spelling first.
#include <QString>

namespace kitbox {

// directory + "/" + fileName, spelt as the file system has it when a file of
// that name exists ignoring case; else the name as built.
QString findFileIgnoringCase(const QString &directory, const QString &fileName);
// The same for a full path: its last component is looked up in its directory.
QString findPathIgnoringCase(const QString &path);

} // namespace kitbox
