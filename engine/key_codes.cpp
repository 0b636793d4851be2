#include "engine/key_codes.h"

#include <array>

namespace korvelce {

namespace {

// Printed names, indexed by code. Codes 21 and 26 never reach the engine from the face.
constexpr std::array<std::string_view, 100> kMnemonics = {
    "0",   "1",   "2",     "3",    "4",    "5",   "6",   "7",    "8",   "9",    // 00
    "E'",  "A",   "B",     "C",    "D",    "E",   "A'",  "B'",   "C'",  "D'",   // 10
    "CLR", "---", "INV",   "LNX",  "CE",   "CLR", "---", "INV",  "LOG", "CP",   // 20
    "TAN", "LRN", "X<->T", "X²",   "SQRT", "1/X", "PGM", "P->R", "SIN", "COS",  // 30
    "IND", "SST", "STO",   "RCL",  "SUM",  "Y^X", "INS", "CMS",  "EXC", "PRD",  // 40
    "|X|", "BST", "EE",    "(",    ")",    "/",   "DEL", "ENG",  "FIX", "INT",  // 50
    "DEG", "GTO", "PGM*",  "EXC*", "PRD*", "*",   "PAU", "EQ",   "NOP", "OP",   // 60
    "RAD", "SBR", "STO*",  "RCL*", "SUM*", "-",   "LBL", "GE",   "STA", "AVR",  // 70
    "GRD", "RST", "HIR",   "GTO*", "Op*",  "+",   "STF", "IFF",  "DMS", "PI",   // 80
    "LST", "R/S", "RTN",   ".",    "+/-",  "=",   "WRT", "DSZ",  "ADV", "PRT",  // 90
};

struct MergePair {
    KeyCode key;
    KeyCode merged;
};

// Keys that, followed by IND in learn mode, are stored as one merged step.
constexpr std::array<MergePair, 8> kMergeTable = {{
    {key::kPgm, key::kPgmInd},
    {key::kSto, key::kStoInd},
    {key::kRcl, key::kRclInd},
    {key::kSum, key::kSumInd},
    {key::kExc, key::kExcInd},
    {key::kPrd, key::kPrdInd},
    {key::kGto, key::kGtoInd},
    {key::kOp, key::kOpInd},
}};

}  // namespace

std::string_view mnemonic(int code) {
    if (code < 0 || code >= static_cast<int>(kMnemonics.size())) return {};
    return kMnemonics[static_cast<std::size_t>(code)];
}

KeyCode mergedCode(int keyCode) {
    for (const auto& pair : kMergeTable)
        if (pair.key == keyCode) return pair.merged;
    return kNoMerge;
}

KeyCode unmergedCode(int merged) {
    for (const auto& pair : kMergeTable)
        if (pair.merged == merged) return pair.key;
    return kNoMerge;
}

}  // namespace korvelce
