// Where the window finds the data files it does not carry inside the executable (the skins of
// the larger screens): beside the executable when it runs from a build folder, or in
// ../share/korvelce/ relative to it when it is installed, whatever the prefix (/usr, /usr/local,
// ~/.local, or a folder a package was unpacked into).
#pragma once

#include <QString>

namespace korvelce {

// The path of the data file name for an executable in executableFolder: the first of
// executableFolder/name and executableFolder/../share/korvelce/name that exists, or the first
// when neither does (so that a message about the missing file names the build's place).
QString dataFilePathFrom(const QString& executableFolder, const QString& name);

// dataFilePathFrom for the running executable's folder.
QString dataFilePath(const QString& name);

// Whether an executable in executableFolder was installed with its desktop entry: the entry
// (named after the application identifier) is in ../share/applications relative to it. The
// desktop then opens the calculator's files through the installed entry and MIME types.
bool installedWithDesktopEntryFrom(const QString& executableFolder);

// installedWithDesktopEntryFrom for the running executable's folder.
bool installedWithDesktopEntry();

}  // namespace korvelce
