// The association of program files (*.kv) with this executable, for the user's desktop: a
// shared-mime-info package that names the type application/x-korvel-program after the "*.kv"
// pattern, and a desktop entry that opens that type with the executable and the file's path.
#pragma once

#include <QString>

namespace korvelce {

inline constexpr auto kProgramMimeType = "application/x-korvel-program";

// $XDG_DATA_HOME/applications/korvelce.desktop and $XDG_DATA_HOME/mime/packages/korvelce.xml.
QString desktopEntryPath();
QString mimePackagePath();

// One argument of a desktop entry's Exec key, as it is written in the file: quoted when it
// holds a character the Exec syntax reserves (a blank among them), "\", "\"", "`" and "$"
// escaped inside the quotes, "%" doubled, then escaped as a desktop-entry string value.
QString desktopExecArgument(const QString& argument);

// The contents of the two files.
QByteArray desktopEntryText(const QString& executablePath);
QByteArray mimePackageText();

// Writes both files (each through a temporary file and a rename), replacing what was there;
// a file that already holds its contents is left untouched, and one that cannot be written
// completely keeps its old contents. When a file changed and refreshCaches is set, the user's
// MIME database or desktop-entry cache is rebuilt by the system's tools in the background.
// Failures are silent.
void registerFileAssociation(const QString& executablePath, bool refreshCaches = true);

}  // namespace korvelce
