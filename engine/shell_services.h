// What the engine asks of the program around it: file dialogs and error reports. The window
// implements it with Qt; the headless front end and the tests without.
#pragma once

#include <string>

namespace korvelce {

class CalcEngine;

class ShellServices {
  public:
    virtual ~ShellServices() = default;
    // WRT: save the user's program memory and registers to a file the user names.
    virtual void saveProgramFile(CalcEngine& engine) = 0;
    // INV WRT: load a program file the user picks.
    virtual void openProgramFile(CalcEngine& engine) = 0;
    // LST: write the program listing to a text file the user names.
    virtual void writeListing(CalcEngine& engine) = 0;
    // A failed system call, reported once with its caption.
    virtual void showSystemError(const std::string& caption, const std::string& message) = 0;
    // The printer file at path cannot be opened or written; reason is the system's text. The
    // front end reports it, or makes the file reachable and returns true to have the printer
    // try to open it once more.
    virtual bool printerFileFailed(const std::string& path, const std::string& reason) {
        (void)path;
        (void)reason;
        return false;
    }
};

}  // namespace korvelce
