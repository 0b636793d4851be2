// The files a user opens in the window: memory images (*.kv: registers and program) and program
// source text (*.kvs: the keys of a program, keyed in as korvelce-cli asm does).
#pragma once

#include <QString>

namespace korvelce {

class CalcEngine;

// Whether path names program source text: its name ends in .kvs, in any case.
bool isProgramSource(const QString& path);

// Loads path into the engine: a memory image replaces the registers and the program; program
// source text replaces the program and keeps the registers. Either way the program counter and
// the return stack go back to zero. False, with the engine unchanged and the reason in why
// (for source text: the line and the token at fault), when the file cannot be read or keyed.
bool loadProgramOrSource(CalcEngine& engine, const QString& path, QString* why = nullptr);

}  // namespace korvelce
