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

// The exit code of the run: 0, or -1 when the screen size is refused. arguments are the
// command line without the program name; the first one, when present, is a program file to
// load instead of the saved state.
int runApplication(const QStringList& arguments);

inline constexpr auto kScreenRefusedText =
    "Only 240x320, 240x400, 480x640, 480x800 in Portrait mode are supported";
inline constexpr auto kScreenRefusedCaption = "Korvelce is unable to run";

}  // namespace korvelce
