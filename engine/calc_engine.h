// CalcEngine: the whole state of the emulated calculator, and the operations the shell calls.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "decimal/dec_number.h"
#include "engine/entry_buffer.h"
#include "engine/key_codes.h"
#include "engine/pending_stack.h"

namespace korvelce {

class ShellServices;

inline constexpr int kBanks = 26;
inline constexpr int kSteps = 1000;
inline constexpr int kRegisters = 100;
inline constexpr int kLevels = 100;
inline constexpr int kFlags = 10;

using ProgramBank = std::array<std::uint8_t, kSteps>;

enum EngineMode : int { kCalculate = 0, kLearn = 1, kRun = 2 };

class CalcEngine {
  public:
    // A reset engine: every register, flag and step zero, then CLR pressed.
    CalcEngine();
    // The stack holds a pointer to errorFlag, so an engine stays where it was made.
    CalcEngine(const CalcEngine&) = delete;
    CalcEngine& operator=(const CalcEngine&) = delete;

    // Every key from the face and every executed program step. Any byte is accepted.
    void pressKey(int code);

    // The display text (zero-terminated, capacity 32 is enough); returns 1 when its last two
    // characters are shown apart (an exponent, or the step code in learn mode).
    // showWhileRunning asks for the value instead of the running display in run mode.
    int displayText(char* buffer, int capacity, bool showWhileRunning = false) const;
    [[nodiscard]] std::string displayText(bool showWhileRunning = false) const;

    // The display value (the pending stack's current slot).
    [[nodiscard]] DecNumber displayValue() const { return stack.displayValue(); }

    // Ends digit entry: the typed number becomes the display value. markOperand says whether
    // an untouched display value is marked as an available operand.
    DecNumber finishEntry(bool markOperand = true);

    // Range limiting of the display value and of register n; both raise the error on a clamp.
    void limitDisplay();
    void limitRegister(int n);

    void setShellServices(ShellServices* services) { shell = services; }

    // --- Printer ---
    // Appends text (UTF-16) to the printer file, or hands it to printerSink when one is set.
    // A file that cannot be opened or written drops the output and is reported to the shell
    // services (silently without them).
    void printLine(std::u16string_view text);
    void printValue(const DecNumber& value);  // PRT
    void listRegisters(std::int64_t first);   // INV LST
    void resetPrinter();
    // Fills block 1..4 of the alpha line from the integer part of |value|, two digits a
    // character, read from the right.
    void setAlphaBlock(const DecNumber& value, int block);
    void printAlphaLine();
    void printValueWithAlpha(const DecNumber& value);
    void plotStar(const DecNumber& value);
    void listLabels();
    // Receives every printed line instead of the printer file (the headless front end's
    // standard output); empty means the file at printerPath.
    std::function<void(std::u16string_view)> printerSink;
    // Sees every printed line as well, wherever the line goes (the file, a failing file or the
    // sink), in the order printed: the window's paper tape. It must not print itself.
    std::function<void(std::u16string_view)> printerObserver;

    // --- Program execution ---
    // Executes the step at programCounter of the current bank, as if its key were pressed.
    void runStep();
    // The user's R/S while a program runs. Unlike an R/S step it is never taken as an operand:
    // with an instruction still collecting its operand, the run stops once that completes.
    void userRunStop();
    // The address of the first LBL k in the selected bank of the current level, or -1.
    [[nodiscard]] int findLabel(int labelKey) const;
    // True when the call was made (false at depth 99, with the error raised).
    bool callSubroutine(int returnTo, int target);
    void returnFromSubroutine();
    // Whether a key waits for an operand or a label.
    [[nodiscard]] bool operandPending() const {
        return operandDigitsNeeded > 0 || labelExpected != 0;
    }

    // --- Registers and statistics ---
    // STO (42), RCL (43), SUM (44), EXC (48), PRD (49) on register n with the INV state the key
    // had; x is the display value. A register number outside 0..99 raises the error and does
    // nothing else. The register is range-limited afterwards.
    void registerOperation(int keyCode, int n, bool inv);
    // CMS: R00 to R99 become zero.
    void clearRegisters();
    // STA / INV STA: add or remove the point (x = display value, y = T) in R01..R06 and T.
    void statisticsAccumulate(bool inv);
    // AVR: means of x and y; INV AVR: standard deviations (divisor n - 1).
    void statisticsAverage(bool inv);
    // HIR nn: the tens digit chooses the operation, the units digit the H register.
    void hirOperation(int operand);

    // --- State (names as the calculator's documentation uses them) ---
    int errorFlag = 0;
    PendingStack stack{&errorFlag};
    DecNumber tRegister;
    std::array<DecNumber, kRegisters> registers{};
    int condition = 1;
    std::array<ProgramBank, kBanks> programMemory{};
    int currentBank = 0;  // index into programMemory
    int programCounter = 0;
    int learnPointer = 0;
    std::array<std::int16_t, kLevels> returnAddress{};
    std::array<std::int16_t, kLevels> returnBank{};
    std::array<std::int16_t, kLevels> selectedBank{};
    std::array<int, kLevels> calledFromKeyboard{};
    int returnDepth = 0;
    std::array<int, kFlags> userFlags{};
    int advancePc = 1;
    int mode = kCalculate;
    int angleUnit = 0;
    int displayFormat = 0;
    int fixDigits = 9;
    int invFlag = 0;
    int pauseRequest = 0;
    int entryActive = 1;
    EntryBuffer entry;
    std::uint8_t operandDigitsNeeded = 0;
    std::uint8_t operandDigitsTyped = 0;
    std::uint8_t pendingKey = key::kNop;
    int pendingInv = 0;
    int operandValue = 0;
    int indirectAllowed = 0;
    int indirect = 0;
    int labelExpected = 0;
    int lastStepWasInv = 0;
    int stopRequested = 0;
    std::int16_t resumeAddress = 0;
    std::string printerPath;
    std::array<char16_t, 20> alphaLine{};

    ShellServices* shell = nullptr;

  private:
    // Hands the key to a pending operand or an awaited label; true when it was consumed.
    bool routeToOperand(int code);
    void learnModeKey(int code);
    void immediateAction(int code);
    // The program-control and operand keys (labels, GTO, SBR, tests, flags, LRN, SST, R/S...).
    void programKey(int code, bool inv);
    void digitOrPoint(int code);
    void exponentKey();
    void changeSign();
    void degreesMinutesSecondsKey(bool inv);
    void clearAll();
    void clearEntry();
    void clearProgram();

    // Operand collection: the key waits for `digits` operand digits (IND allowed or not), or
    // for a label key.
    void awaitOperand(int keyCode, int digits, bool indAllowed);
    void awaitLabel(int keyCode);
    void collectDigit(int digit);
    void recordIndirect();
    void completeOperand();
    void executeOperand(int keyCode, std::int64_t value);
    void storeOperand();
    void labelOperand(int code);
    void openBranchOperand();

    // Learn mode.
    enum class StepKind { kInstruction, kOperand, kLabel };
    // Writes code at learnPointer of bank 0; false (and learn mode left) at step 999.
    bool storeStep(int code, StepKind kind);
    bool learnEditKey(int code);

    // The special operation number n (0..255).
    void specialOperation(int number);
};

}  // namespace korvelce
