// Start-up and shutdown of the calculator window: single instance, screen check, settings,
// file association, engine, saved state or the command-line file, library module, printer
// file, window, event loop; then settings and saved state on the way out.
#pragma once

#include <QString>
#include <QStringList>

namespace korvelce {

class CalcEngine;

// The saved state: $XDG_DATA_HOME/Korvelce/Korvelce.kv.
QString defaultStatePath();

// Loads library module 110 or 128 into the engine; false when there is no such module.
bool loadModuleInto(CalcEngine& engine, int identifier);

// Loads a program file (the one named at start, or later by another copy) into the engine;
// false, with the engine unchanged and the reason in why, when it cannot be read.
bool loadProgramFile(CalcEngine& engine, const QString& path, QString* why = nullptr);

// Loads a program file the user named; when it cannot be read, says so in the error box
// (caption "CreateFile", the file and the reason) and leaves the engine unchanged.
bool openProgramFileReporting(CalcEngine& engine, const QString& path);

// The exit code of the run: 0, or -1 when the screen size is refused. arguments are the
// command line without the program name; taken whole, they name a program file to load
// instead of the saved state. When another copy runs, it is handed the request (the file's
// absolute path, if any) and 0 is returned at once.
int runApplication(const QStringList& arguments);

inline constexpr auto kScreenRefusedText =
    "Only 240x320, 240x400, 480x640, 480x800 in Portrait mode are supported";
inline constexpr auto kScreenRefusedCaption = "Korvelce is unable to run";
// The second line of the refusal: what a desktop user can change.
inline constexpr auto kScreenChoiceText =
    "Set KORVELCE_SCREEN to one of 480x800, 480x640, 240x400, 240x320.";
// The whole text of the refusal box.
QString screenRefusedText();

}  // namespace korvelce
