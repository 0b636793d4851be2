// The calculator for the web page: one engine, and plain C functions the page's JavaScript
// calls. Keys go in as the face's key codes; text comes out as zero-terminated UTF-8 that stays
// valid until the next call of the same function; JSON is written here so the page needs no
// knowledge of the engine's structures. Programs run in slices the page asks for between two
// frames, so the page stays responsive and R/S is seen at once.
#include "web/binding.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "decimal/number_text.h"
#include "engine/calc_engine.h"
#include "engine/key_codes.h"
#include "files/clipboard_number.h"
#include "files/json_text.h"
#include "files/library_module.h"
#include "files/listing.h"
#include "files/memory_image.h"
#include "files/module_resources.h"
#include "files/pending_text.h"
#include "files/program_file.h"
#include "files/program_source.h"
#include "files/state_text.h"
#include "programming/run_slice.h"
#include "programming/text_encoding.h"

namespace {

using korvelce::CalcEngine;

std::unique_ptr<CalcEngine> engine;
int loadedModule = 0;
bool displayApart = false;
std::string displayShown;  // the text kv_display returned last
std::string tape;          // printed lines not yet taken by the page, each ending in '\n'
std::vector<std::uint8_t> buffer;
std::string text;

void attachPrinter() {
    engine->printerSink = [](std::u16string_view line) {
        std::string utf8 = korvelce::toUtf8(line);
        std::erase(utf8, '\r');
        if (utf8.empty() || utf8.back() != '\n') utf8 += '\n';
        tape += utf8;
    };
}

void makeEngine() {
    engine = std::make_unique<CalcEngine>();
    attachPrinter();
    tape.clear();
}

CalcEngine& calc() {
    if (!engine) makeEngine();
    return *engine;
}

std::string valueText(const korvelce::DecNumber& value) {
    const CalcEngine& e = calc();
    return korvelce::numberText(value, e.fixDigits, e.displayFormat).text;
}

const char* keep(std::string value) {
    text = std::move(value);
    return text.c_str();
}

}  // namespace

extern "C" {

// A fresh calculator: every register, flag and step zero; the module loaded before stays.
EMSCRIPTEN_KEEPALIVE void kv_reset() {
    makeEngine();
    if (const auto bytes = korvelce::moduleResource(loadedModule))
        korvelce::loadLibraryModule(*engine, *bytes);
}

// Loads library module id (110 or 128) into banks 1 to 25; 0 when it is not built in.
EMSCRIPTEN_KEEPALIVE int kv_load_module(int id) {
    const auto bytes = korvelce::moduleResource(id);
    if (!bytes) return 0;
    korvelce::loadLibraryModule(calc(), *bytes);
    loadedModule = id;
    return 1;
}

// The name of a built-in module, empty for none.
EMSCRIPTEN_KEEPALIVE const char* kv_module_name(int id) {
    return keep(std::string(korvelce::moduleName(id)));
}

// A key of the face (or the keyboard). While a program runs only R/S reaches the engine, and it
// stops the run once an instruction still collecting its operand is complete.
EMSCRIPTEN_KEEPALIVE void kv_press(int code) {
    CalcEngine& e = calc();
    if (e.mode != korvelce::kRun)
        e.pressKey(code);
    else if (code == korvelce::key::kRunStop)
        e.userRunStop();
}

// The display as a plain number for the clipboard ("1.414213562", "-1.5e-12"); with
// allDigits every digit of the value.
EMSCRIPTEN_KEEPALIVE const char* kv_copy(int allDigits) {
    return keep(korvelce::displayedNumber(calc(), allDigits != 0));
}

// Types the number in clipboard as its keys would (a number being typed is replaced). Returns ""
// when it was typed, otherwise why not, with nothing pressed.
EMSCRIPTEN_KEEPALIVE const char* kv_paste(const char* clipboard) {
    const korvelce::TypedNumber typed = korvelce::keysForPaste(calc(), clipboard);
    for (const int code : typed.keys)
        kv_press(code);
    return keep(typed.problem);
}

// Runs at most count steps while a program runs; ends early after a step that asked for a
// pause (PAU), which the page then shows. Returns the steps run.
EMSCRIPTEN_KEEPALIVE int kv_run(int count) {
    return static_cast<int>(korvelce::runSlice(calc(), count));
}

EMSCRIPTEN_KEEPALIVE int kv_mode() {
    return calc().mode;
}
EMSCRIPTEN_KEEPALIVE int kv_error() {
    return calc().errorFlag != 0 ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE int kv_inv() {
    return calc().invFlag != 0 ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE int kv_angle() {
    const int unit = calc().angleUnit;
    return unit >= 0 && unit <= 2 ? unit : 0;
}
EMSCRIPTEN_KEEPALIVE int kv_paused() {
    return calc().pauseRequest != 0 ? 1 : 0;
}

// The display text; showValue asks for the value instead of the running display during a run.
// kv_display_apart tells whether the last two characters of the last text are shown apart (an
// exponent, or the step code in learn mode), and kv_display_number gives the last text as a
// plain number ("-0.5", "1.5e-12"), as copy writes it and a screen reader says it.
EMSCRIPTEN_KEEPALIVE const char* kv_display(int showValue) {
    char shown[32];
    displayApart = calc().displayText(shown, sizeof shown, showValue != 0) != 0;
    displayShown = shown;
    return keep(shown);
}
EMSCRIPTEN_KEEPALIVE int kv_display_apart() {
    return displayApart ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE const char* kv_display_number() {
    return keep(korvelce::plainNumber(displayShown, displayApart));
}

// What the panels show, as one JSON object.
EMSCRIPTEN_KEEPALIVE const char* kv_state_json() {
    using korvelce::jsonString;
    const CalcEngine& e = calc();
    auto flag = [](int v) { return v != 0 ? "true" : "false"; };
    // Each register as shown, and whether its value is zero: a small value shows as zero
    // under FIX and is still not zero.
    korvelce::JsonText registers = korvelce::JsonText::array();
    korvelce::JsonText nonZero = korvelce::JsonText::array();
    for (const korvelce::DecNumber& value : e.registers) {
        registers.add(jsonString(valueText(value)));
        nonZero.add(value.isZero() ? "0" : "1");
    }
    korvelce::JsonText flags = korvelce::JsonText::array();
    for (const auto value : e.userFlags)
        flags.add(value != 0 ? "1" : "0");
    // The program the listing shows, its marked step (-1: none), and its title when it is a
    // library program.
    const korvelce::ProgramView view = korvelce::ProgramView::of(e);
    const std::string_view title =
        view.bank > 0 ? korvelce::moduleProgramTitle(loadedModule, view.bank) : "";
    return keep(korvelce::JsonText::object()
                    .field("mode", std::to_string(e.mode))
                    .field("error", flag(e.errorFlag))
                    .field("inv", flag(e.invFlag))
                    .field("angle", std::to_string(e.angleUnit))
                    .field("fix", std::to_string(e.fixDigits))
                    .field("format", std::to_string(e.displayFormat))
                    .field("t", jsonString(valueText(e.tRegister)))
                    .field("registers", registers.text())
                    .field("nonZero", nonZero.text())
                    .field("flags", flags.text())
                    .field("pc", std::to_string(e.programCounter))
                    .field("learnPointer", std::to_string(e.learnPointer))
                    .field("bank", std::to_string(view.bank))
                    .field("marker", std::to_string(view.marker))
                    .field("module", std::to_string(loadedModule))
                    .field("programTitle", jsonString(title))
                    .field("depth", std::to_string(e.returnDepth))
                    .field("openParens", std::to_string(e.stack.openParens))
                    .field("pending", jsonString(korvelce::pendingText(e)))
                    .field("angleText", jsonString(korvelce::angleName(e.angleUnit)))
                    .field("formatText", jsonString(korvelce::formatText(e)))
                    .field("flagsText", jsonString(korvelce::flagsText(e)))
                    .text());
}

// The listing of the program the calculator is working on (the user's, or a library program
// running or chosen with PGM), one row per step: [[address, code, "form"], ...]. Which bank it
// is and the marked step are in kv_state_json.
EMSCRIPTEN_KEEPALIVE const char* kv_listing_json() {
    const CalcEngine& e = calc();
    const korvelce::ProgramView view = korvelce::ProgramView::of(e);
    const korvelce::ProgramBank& steps = e.programMemory[static_cast<std::size_t>(view.bank)];
    korvelce::JsonText rows = korvelce::JsonText::array();
    for (const korvelce::ListingRow& row :
         korvelce::listingRows(steps, korvelce::listingLength(steps))) {
        rows.add(korvelce::JsonText::array()
                     .add(std::to_string(row.address))
                     .add(std::to_string(row.code))
                     .add(korvelce::jsonString(row.form))
                     .text());
    }
    return keep(rows.text());
}

// Room for size bytes the page writes into before kv_import.
EMSCRIPTEN_KEEPALIVE std::uint8_t* kv_buffer(int size) {
    buffer.assign(static_cast<std::size_t>(std::max(size, 0)), 0);
    return buffer.data();
}

// The memory image (registers and the user's program, 2600 bytes), in the buffer.
EMSCRIPTEN_KEEPALIVE std::uint8_t* kv_image() {
    buffer = korvelce::memoryImageBytes(calc());
    return buffer.data();
}
EMSCRIPTEN_KEEPALIVE int kv_buffer_size() {
    return static_cast<int>(buffer.size());
}

// Checks the buffer as a program file called name without changing anything: "" when it can
// be opened, otherwise what is wrong. The page asks its question only about a good file.
EMSCRIPTEN_KEEPALIVE const char* kv_check(const char* name) {
    const std::string_view bytes(reinterpret_cast<const char*>(buffer.data()), buffer.size());
    return keep(korvelce::readProgramBytes(name, bytes).message);
}

// Reads the buffer as a program file called name (.kvs: program source text; anything else: a
// memory image) and replaces registers and program with it, ending a run. Returns "" on
// success, otherwise what is wrong, with nothing changed.
EMSCRIPTEN_KEEPALIVE const char* kv_import(const char* name) {
    const std::string_view bytes(reinterpret_cast<const char*>(buffer.data()), buffer.size());
    const korvelce::ProgramFileRead read = korvelce::readProgramBytes(name, bytes);
    if (!read.ok) return keep(read.message);
    CalcEngine& e = calc();
    if (e.mode == korvelce::kRun) {
        // The program that ran is replaced: its run ends here, as in the window.
        e.mode = korvelce::kCalculate;
        e.stopRequested = 0;
    }
    korvelce::applyMemoryImage(e, read.image);
    return keep("");
}

// Restores a saved state: the memory image in the buffer (2600 bytes, or 1800 in the older
// format). Returns 1 when it was applied, 0 with nothing changed for any other size.
EMSCRIPTEN_KEEPALIVE int kv_restore() {
    if (buffer.size() != korvelce::kImageSize && buffer.size() != korvelce::kOldImageSize) return 0;
    korvelce::applyMemoryImage(calc(), buffer);
    return 1;
}

// The user's program as program source text (.kvs).
EMSCRIPTEN_KEEPALIVE const char* kv_source() {
    return keep(korvelce::disassembleProgram(calc().programMemory[0]));
}

// The lines printed since the last call, each ending in a line feed.
EMSCRIPTEN_KEEPALIVE const char* kv_take_tape() {
    std::string lines;
    lines.swap(tape);
    return keep(std::move(lines));
}

}  // extern "C"
