#include "files/program_source.h"

#include <array>
#include <cctype>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/calc_engine.h"
#include "engine/key_codes.h"
#include "files/key_tokens.h"
#include "programming/step_forms.h"

namespace korvelce {

namespace {

constexpr int kLargestRaw = 255;  // a step is one byte

// The tokens of one line of source: split at whitespace; '#' starts a comment.
std::vector<std::string_view> lineTokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == '#') break;
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != '#' &&
               !std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

// The value of a raw step token, '@' and one to three digits; nothing for any other token.
std::optional<int> rawValue(std::string_view token) {
    if (token.size() < 2 || token.size() > 4 || token[0] != '@') return std::nullopt;
    int value = 0;
    for (const char c : token.substr(1)) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

enum class Keyed { kOk, kUnknown, kRawTooLarge, kRawInOperand, kFull };

// The engine as learn mode leaves it for the first key of a program: step 000 of user memory.
void startLearning(CalcEngine& engine) {
    engine.pressKey(key::kRst);
    engine.pressKey(key::kLrn);
}

// Writes one step as it is, where learn mode would store the next key. An operand still
// waiting for its first digit is given up, as any key that is not a digit gives it up.
void storeRaw(CalcEngine& engine, int value) {
    engine.operandDigitsNeeded = 0;
    engine.labelExpected = 0;
    engine.programMemory[0][static_cast<std::size_t>(engine.learnPointer)] =
        static_cast<std::uint8_t>(value);
    engine.lastStepWasInv = 0;  // a raw 22 is not the INV key: a following SBR stays SBR
    if (engine.learnPointer >= kSteps - 1)
        engine.mode = kCalculate;  // as after a key stored at the last step
    else
        ++engine.learnPointer;
}

// Keys one token of source into an engine in learn mode.
Keyed keyToken(CalcEngine& engine, std::string_view token) {
    if (const std::optional<int> raw = rawValue(token)) {
        if (*raw > kLargestRaw) return Keyed::kRawTooLarge;
        if (engine.mode != kLearn) return Keyed::kFull;
        if (engine.operandDigitsNeeded > 0 && engine.operandDigitsTyped > 0)
            return Keyed::kRawInOperand;
        storeRaw(engine, *raw);
        return Keyed::kOk;
    }
    const auto codes = tokenCodes(token);
    if (!codes) return Keyed::kUnknown;
    for (const int code : *codes) {
        if (engine.mode != kLearn) return Keyed::kFull;
        engine.pressKey(code);
    }
    return Keyed::kOk;
}

// ---- Disassembly ----

// The token that presses exactly the code, for the codes 0 to 99; empty where none does (20,
// 26 and 27 share their printed names with 25, 21 and 22).
const std::string& keyName(int code) {
    static const std::array<std::string, 100> names = [] {
        std::array<std::string, 100> result;
        for (int c = 0; c < 100; ++c) {
            const std::string name = c == key::kSquare ? "X^2" : std::string(mnemonic(c));
            const auto codes = tokenCodes(name);
            if (codes && codes->size() == 1 && codes->front() == c)
                result[static_cast<std::size_t>(c)] = name;
        }
        return result;
    }();
    static const std::string none;
    return code >= 0 && code < 100 ? names[static_cast<std::size_t>(code)] : none;
}

std::string digits(int value, int width) {
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
    return text;
}

std::string rawToken(int value) {
    return "@" + digits(value, 2);
}

// STF, IFF, DSZ and FIX take one digit when it is given directly (two after IND).
bool takesOneDigit(int code) {
    return code == key::kStf || code == key::kIff || code == key::kDsz || code == key::kFix;
}

using Tokens = std::vector<std::string>;

// The steps of the instruction at s as learn mode keys them. The step walk counts FIX's digit
// only after IND; keyed, FIX takes a digit, and after INV it takes none.
std::vector<StepRole> keyedRoles(const ProgramBank& bank, int s, bool afterInv) {
    std::vector<StepRole> roles = instructionSteps(bank, s);
    if (bank[static_cast<std::size_t>(s)] == key::kFix) {
        if (afterInv)
            roles.resize(1);
        else if (roles.size() == 1 && s + 1 < kSteps && bank[static_cast<std::size_t>(s) + 1] <= 9)
            roles.push_back(StepRole::kNumber);
    }
    return roles;
}

// The instruction as one would key it (STO 05, GTO IND 25, IFF 3 123, LBL A), or nothing when
// one of its steps cannot be typed as its part.
std::optional<Tokens> keyedForm(const ProgramBank& bank, int s,
                                const std::vector<StepRole>& roles) {
    auto at = [&](std::size_t i) {
        return static_cast<int>(bank[static_cast<std::size_t>(s) + i]);
    };
    const int first = at(0);
    Tokens tokens;
    if (const KeyCode plain = unmergedCode(first); plain != kNoMerge) {
        // A merged step is keyed as its key and IND.
        tokens = {keyName(plain), "IND"};
    } else if (first == key::kHir) {
        // HIR is a stored form only: no key types its operand.
        tokens = {keyName(first)};
        for (std::size_t i = 1; i < roles.size(); ++i)
            tokens.push_back(rawToken(at(i)));
        return tokens;
    } else if (!keyName(first).empty()) {
        tokens = {keyName(first)};
    } else {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < roles.size(); ++i) {
        const int value = at(i);
        switch (roles[i]) {
            case StepRole::kIndirect:
                tokens.emplace_back("IND");
                break;
            case StepRole::kNumber: {
                const bool oneDigit =
                    takesOneDigit(first) && roles[i - 1] == StepRole::kInstruction;
                if (oneDigit && value > 9) {
                    // STF + stores 86, 85: a key that is not a digit ends the wait and is
                    // stored itself.
                    if (keyName(value).empty()) return std::nullopt;
                    tokens.push_back(keyName(value));
                } else if (value <= 99) {
                    tokens.push_back(digits(value, oneDigit ? 1 : 2));
                } else {
                    return std::nullopt;
                }
                break;
            }
            case StepRole::kAddressHigh: {
                if (i + 1 >= roles.size() || roles[i + 1] != StepRole::kAddressLow ||
                    at(i + 1) > 99)
                    return std::nullopt;
                tokens.push_back(digits(value * 100 + at(i + 1), 3));
                ++i;
                break;
            }
            case StepRole::kLabel:
                if (keyName(value).empty()) return std::nullopt;
                tokens.push_back(keyName(value));
                break;
            case StepRole::kAddressLow:
            case StepRole::kInstruction:
                return std::nullopt;
        }
    }
    return tokens;
}

// The fields of the engine that keying in learn mode reads or writes.
struct LearnState {
    explicit LearnState(const CalcEngine& e)
        : memory(e.programMemory[0]),
          learnPointer(e.learnPointer),
          mode(e.mode),
          programCounter(e.programCounter),
          lastStepWasInv(e.lastStepWasInv),
          pendingInv(e.pendingInv),
          operandValue(e.operandValue),
          indirectAllowed(e.indirectAllowed),
          indirect(e.indirect),
          labelExpected(e.labelExpected),
          operandDigitsNeeded(e.operandDigitsNeeded),
          operandDigitsTyped(e.operandDigitsTyped),
          pendingKey(e.pendingKey) {}

    void restore(CalcEngine& e) const {
        e.programMemory[0] = memory;
        e.learnPointer = learnPointer;
        e.mode = mode;
        e.programCounter = programCounter;
        e.lastStepWasInv = lastStepWasInv;
        e.pendingInv = pendingInv;
        e.operandValue = operandValue;
        e.indirectAllowed = indirectAllowed;
        e.indirect = indirect;
        e.labelExpected = labelExpected;
        e.operandDigitsNeeded = operandDigitsNeeded;
        e.operandDigitsTyped = operandDigitsTyped;
        e.pendingKey = pendingKey;
    }

    ProgramBank memory;
    int learnPointer, mode, programCounter, lastStepWasInv, pendingInv, operandValue;
    int indirectAllowed, indirect, labelExpected;
    std::uint8_t operandDigitsNeeded, operandDigitsTyped, pendingKey;
};

// Keys the tokens and checks that user memory is now want and that the pointer stands at
// next, with no operand half typed (the end of memory ends learn mode instead).
bool keysStore(CalcEngine& engine, const Tokens& tokens, const ProgramBank& want, int next) {
    for (const std::string& token : tokens)
        if (keyToken(engine, token) != Keyed::kOk) return false;
    if (engine.programMemory[0] != want) return false;
    if (engine.mode != kLearn) return next == kSteps && engine.learnPointer == kSteps - 1;
    return engine.learnPointer == next &&
           !(engine.operandDigitsNeeded > 0 && engine.operandDigitsTyped > 0);
}

// One instruction of the text.
struct Piece {
    int step = 0;
    int code = 0;
    std::string text;
    bool keyed = false;   // written with keys, not raw steps
    bool number = false;  // a digit or the point keyed on its own: joins its neighbours
};

constexpr std::size_t kLineWidth = 48;  // instructions per line stop here
constexpr std::size_t kCommentColumn = 50;

bool isKeyedInv(const Piece& piece) {
    return piece.keyed && piece.code == key::kInv;
}

// Lines of instructions, each ending with the address of its first step. A label starts a
// line, R/S and RTN end one, INV stays with the instruction it changes, and digits keyed one
// after another read as one number.
std::string layOut(const std::vector<Piece>& pieces) {
    std::string out;
    std::string line;
    int lineStep = 0;
    auto flush = [&] {
        if (line.empty()) return;
        line.append(line.size() < kCommentColumn ? kCommentColumn - line.size() : 2, ' ');
        out += line + "# " + digits(lineStep, 3) + "\n";
        line.clear();
    };
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& piece = pieces[i];
        const bool joins = piece.number && i > 0 && pieces[i - 1].number;
        std::size_t width = line.size() + (joins ? 0 : 1) + piece.text.size();
        if (isKeyedInv(piece) && i + 1 < pieces.size()) width += 1 + pieces[i + 1].text.size();
        const bool afterInv = i > 0 && isKeyedInv(pieces[i - 1]);
        if (!line.empty() &&
            ((piece.keyed && piece.code == key::kLbl) || (width > kLineWidth && !afterInv)))
            flush();
        if (line.empty()) {
            lineStep = piece.step;
        } else if (!joins) {
            line += ' ';
        }
        line += piece.text;
        if (piece.keyed && (piece.code == key::kRunStop || piece.code == key::kRtn)) flush();
    }
    flush();
    return out;
}

// Every step up to end as a raw step: always keyed back exactly.
std::string rawText(const ProgramBank& bank, int end) {
    std::vector<Piece> pieces;
    for (int s = 0; s < end; ++s) {
        const int code = bank[static_cast<std::size_t>(s)];
        pieces.push_back(Piece{s, code, rawToken(code), false, false});
    }
    return layOut(pieces);
}

}  // namespace

AssembleResult assembleProgram(CalcEngine& engine, std::string_view source) {
    AssembleResult result;
    // Every line is split at its line feed; tokens report the line they are on.
    auto forEachToken = [&](auto&& use) {
        int line = 1;
        std::size_t start = 0;
        while (start <= source.size()) {
            std::size_t end = source.find('\n', start);
            if (end == std::string_view::npos) end = source.size();
            for (const std::string_view token : lineTokens(source.substr(start, end - start)))
                if (!use(token, "line " + std::to_string(line) + ": ")) return;
            start = end + 1;
            ++line;
        }
    };
    // Unknown tokens are reported before the engine is touched.
    forEachToken([&](std::string_view token, const std::string& where) {
        const std::string quoted = "'" + std::string(token) + "'";
        if (const std::optional<int> raw = rawValue(token)) {
            if (*raw <= kLargestRaw) return true;
            result = {false, where + "raw step " + quoted + " is above 255", 0};
        } else if (!tokenCodes(token)) {
            result = {false, where + "unknown key token " + quoted, 0};
        } else {
            return true;
        }
        return false;
    });
    if (!result.ok) return result;

    startLearning(engine);
    forEachToken([&](std::string_view token, const std::string& where) {
        const std::string quoted = "'" + std::string(token) + "'";
        switch (keyToken(engine, token)) {
            case Keyed::kOk:
                if (engine.learnPointer > result.steps) result.steps = engine.learnPointer;
                return true;
            case Keyed::kUnknown:
            case Keyed::kRawTooLarge:
                break;  // reported above
            case Keyed::kRawInOperand:
                result.message = where + "raw step " + quoted +
                                 " inside an operand being typed (type the operand in full)";
                break;
            case Keyed::kFull:
                result.message = where +
                                 "the program does not fit in 1000 steps (or leaves learn mode "
                                 "with LRN)";
                break;
        }
        result.ok = false;
        return false;
    });
    if (!result.ok) return result;
    if (engine.mode == kLearn) engine.pressKey(key::kLrn);
    engine.pressKey(key::kRst);
    return result;
}

std::string disassembleProgram(const std::array<std::uint8_t, 1000>& bank) {
    int end = kSteps;
    while (end > 0 && bank[static_cast<std::size_t>(end) - 1] == 0)
        --end;
    if (end == 0) return {};

    // Every instruction is keyed into an engine as the assembler will key it, in the same
    // order; the first of its forms that stores exactly its steps is written. Raw steps always
    // do, so the walk never gets stuck.
    const auto engine = std::make_unique<CalcEngine>();
    startLearning(*engine);
    ProgramBank want{};
    std::vector<Piece> pieces;
    int s = 0;
    while (s < end) {
        const std::vector<StepRole> roles = keyedRoles(bank, s, engine->lastStepWasInv != 0);
        const int next = s + static_cast<int>(roles.size());
        for (int i = s; i < next; ++i)
            want[static_cast<std::size_t>(i)] = bank[static_cast<std::size_t>(i)];
        const int first = bank[static_cast<std::size_t>(s)];

        std::vector<std::pair<Tokens, bool>> forms;  // the tokens, and whether they are keys
        if (auto keyed = keyedForm(bank, s, roles)) forms.emplace_back(std::move(*keyed), true);
        if (!keyName(first).empty()) {
            // The key, then its operand steps as they are (STO @150).
            Tokens tokens{keyName(first)};
            for (int i = s + 1; i < next; ++i)
                tokens.push_back(rawToken(bank[static_cast<std::size_t>(i)]));
            forms.emplace_back(std::move(tokens), true);
        }
        Tokens raw;
        for (int i = s; i < next; ++i)
            raw.push_back(rawToken(bank[static_cast<std::size_t>(i)]));
        forms.emplace_back(std::move(raw), false);

        bool written = false;
        for (const auto& [tokens, keys] : forms) {
            const LearnState before(*engine);
            if (keysStore(*engine, tokens, want, next)) {
                std::string text;
                for (const std::string& token : tokens)
                    text += (text.empty() ? "" : " ") + token;
                const bool number =
                    keys && roles.size() == 1 && (isDigitKey(first) || first == key::kPoint);
                pieces.push_back(Piece{s, first, std::move(text), keys, number});
                written = true;
                break;
            }
            before.restore(*engine);
        }
        if (!written) return rawText(bank, end);
        s = next;
    }
    std::string text = layOut(pieces);

    // The text must key back into these very steps; if it somehow does not, raw steps do.
    const auto check = std::make_unique<CalcEngine>();
    if (!assembleProgram(*check, text).ok || check->programMemory[0] != bank)
        return rawText(bank, end);
    return text;
}

}  // namespace korvelce
