// The user's settings: read once at start, changed by the window and its menu, written once at
// exit. They live in the settings key "Software\Brannock\Korvelce" of the user's store.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>

namespace korvelce {

inline constexpr auto kSettingsKeyPath = "Software\\Brannock\\Korvelce";
// "PrintFile" is read into a buffer of this many bytes: at most 260 UTF-16 characters.
inline constexpr std::size_t kPrintFileBufferBytes = 522;
inline constexpr int kDefaultModule = 110;

// Every 32-bit setting is kept as an int (32 bits on every platform we build for).
static_assert(sizeof(int) == 4);

struct Settings {
    QString printerPath;          // "PrintFile": the printer text file
    int runDelayMs = 0;           // "DelaiRun": how long the window keeps handling events per step
    int shortPauseMs = 50;        // "DureePauseCourte": display time per step while GTO is held
    int longPauseMs = 500;        // "DureePauseLongue": display time after a step that ran PAU
    int blinkMs = 200;            // "DureeClignotement": blink period while the engine is in error
    int left = 100;               // "Gauche": the window's left edge when it last closed
    int top = 100;                // "Haut": the window's top edge when it last closed
    int width = 0;                // "Largeur": the window's width when it last closed; 0: none
    int height = 0;               // "Hauteur": the window's height when it last closed; 0: none
    int module = kDefaultModule;  // "Module": the library module loaded at start
    // The workbench around the face: its window ("WorkbenchGeometry") and its panels'
    // visibility, sizes and places ("WorkbenchPanels"), as Qt saves them; empty for the first
    // look, the face alone. "RegistersNonZero": the registers panel lists only those not zero.
    QByteArray workbenchGeometry;
    QByteArray workbenchLayout;
    bool registersNonZeroOnly = false;
};

// The user's documents folder (the home folder when the system names none).
QString documentsFolder();

// Where file dialogs open: the documents folder, or the home folder when that does not exist.
QString dialogFolder();

// The printer file when none is set: Korvel.txt in the user's documents folder.
QString defaultPrinterPath();

// The settings as stored, defaults for what is missing or unreadable. The run delay always
// starts at 0, whatever is stored; a module that does not exist is kept as read.
Settings loadSettings();

// Writes the printer file (unless empty) and the nine 32-bit values. Failures are silent:
// the settings of this run are then lost.
void saveSettings(const Settings& settings);

}  // namespace korvelce
