// The interactive calculator's language beside the keys: lines of key tokens with the 2nd key,
// the colon commands, the texts they show, the files they read and write, and Tab completion.
// Plain text in and out, so that all of it is tested without a terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "decimal/dec_number.h"

namespace korvelce {

class CalcEngine;

// A key of the face, row 0..8 from the top, column 0..4 from the left: the code it sends and
// the code it sends after 2nd (the 2nd key itself sends 21 and has no 2nd function: -1).
struct FaceKey {
    int own = -1;
    int second = -1;
};
FaceKey faceKey(int row, int column);

// The 2nd function of the face key whose own function is code; any other code stays itself.
int secondFunction(int code);

// The codes of one typed line: the key tokens of the command line (a '#' starts a comment),
// and 2ND, which makes the next key its 2nd function (2ND LNX is LOG, 2ND 1 is IFF; 2ND twice
// cancels it). second is the 2nd state before the line and becomes the state after it; a line
// with an unknown token changes nothing and says which token it was.
struct KeyLine {
    std::vector<int> codes;
    bool ok = true;
    std::string message;
};
KeyLine parseKeyLine(std::string_view line, bool& second);

enum class CommandKind {
    kHelp,
    kState,
    kList,
    kLoad,
    kSave,
    kModule,
    kQuit,        // leave, keeping the session
    kQuitNoSave,  // leave without saving anything
    kBad,         // unknown or misused: message says why
};

struct Command {
    CommandKind kind = CommandKind::kBad;
    std::string argument;  // the file, step or module as typed; "" when none was given
    std::string message;
    bool all = false;  // :list all, in any letter case
    int number = -1;   // the step of :list STEP, the module of :module N; -1 when none
};

// A line starting with ':' read as a command.
Command parseCommand(std::string_view line);

// The names of the commands, as Tab completes them.
const std::vector<std::string>& commandNames();

// The key tokens, grouped as on the face with each key's 2nd function, and the commands.
std::string helpText();

// Registers that are not zero, T, flags, the pending operations and where the program stands.
std::string stateText(const CalcEngine& engine);

// The listing of the user's program (bank 0), context steps on each side of step, the current
// step (the learn pointer in learn mode, else the program counter) marked with '>'. A step of
// -1 means the current step.
std::string listingAround(const CalcEngine& engine, int step, int context = 8);
// The whole listing, marked as above.
std::string fullListing(const CalcEngine& engine);

// A value as the display shows it without a fixed number of decimals, in the normal format,
// the exponent apart: the state shows every value whatever the display's settings.
std::string valueText(const DecNumber& value);

struct FileResult {
    bool ok = true;
    std::string message;  // what was done, or what went wrong
};

// path with a leading "~/" taken as the home folder.
std::string expandHome(const std::string& path);

// A .kv file replaces the registers and the program; a .kvs file keys its program in over
// the program memory and leaves the registers. Nothing changes when the file cannot be read.
FileResult loadUserFile(CalcEngine& engine, const std::string& path);
// Writes the registers and the program to a .kv file, or the program as source to .kvs (which
// :load keys back into the same steps).
FileResult saveUserFile(const CalcEngine& engine, const std::string& path);

// Library module 110 or 128 into banks 1 to 25.
FileResult loadModule(CalcEngine& engine, int identifier);

// What Tab makes of the word that ends at the cursor: on the first word a command (after ':')
// or a key token, after :load and :save a file name, after :module a module number.
struct Completion {
    std::size_t start = 0;             // where the word begins in the text before the cursor
    std::string replacement;           // what the word becomes (itself when nothing more is known)
    bool whole = false;                // a single word fits: a blank may follow it
    std::vector<std::string> choices;  // the words that fit, when there are several
};
Completion completeWord(std::string_view beforeCursor);

}  // namespace korvelce
