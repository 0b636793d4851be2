// The key-code vocabulary shared by the keyboard, program memory, the printer and files.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/face_grid.h"

namespace korvelce {

using KeyCode = std::uint8_t;

// Key codes by name; a code is both a key and a stored program step.
namespace key {
inline constexpr KeyCode kEPrime = 10, kA = 11, kB = 12, kC = 13, kD = 14, kE = 15;
inline constexpr KeyCode kAPrime = 16, kBPrime = 17, kCPrime = 18, kDPrime = 19;
inline constexpr KeyCode kClr2 = 20, kSecond = 21, kInv = 22, kLnx = 23, kCe = 24, kClr = 25;
inline constexpr KeyCode kUnused = 26, kInv2 = 27, kLog = 28, kCp = 29, kTan = 30, kLrn = 31;
inline constexpr KeyCode kXt = 32, kSquare = 33, kSqrt = 34, kReciprocal = 35, kPgm = 36;
inline constexpr KeyCode kPolar = 37, kSin = 38, kCos = 39, kInd = 40, kSst = 41, kSto = 42;
inline constexpr KeyCode kRcl = 43, kSum = 44, kPower = 45, kIns = 46, kCms = 47, kExc = 48;
inline constexpr KeyCode kPrd = 49, kAbs = 50, kBst = 51, kEe = 52, kOpen = 53, kClose = 54;
inline constexpr KeyCode kDivide = 55, kDel = 56, kEng = 57, kFix = 58, kInt = 59, kDeg = 60;
inline constexpr KeyCode kGto = 61, kPgmInd = 62, kExcInd = 63, kPrdInd = 64, kMultiply = 65;
inline constexpr KeyCode kPau = 66, kEq = 67, kNop = 68, kOp = 69, kRad = 70, kSbr = 71;
inline constexpr KeyCode kStoInd = 72, kRclInd = 73, kSumInd = 74, kSubtract = 75, kLbl = 76;
inline constexpr KeyCode kGe = 77, kSta = 78, kAvr = 79, kGrd = 80, kRst = 81, kHir = 82;
inline constexpr KeyCode kGtoInd = 83, kOpInd = 84, kAdd = 85, kStf = 86, kIff = 87, kDms = 88;
inline constexpr KeyCode kPi = 89, kLst = 90, kRunStop = 91, kRtn = 92, kPoint = 93;
inline constexpr KeyCode kChangeSign = 94, kEquals = 95, kWrt = 96, kDsz = 97, kAdv = 98;
inline constexpr KeyCode kPrt = 99;
}  // namespace key

static_assert(key::kSecond == kSecondKeyCode);

inline constexpr KeyCode kNoMerge = 255;

// The printed name of a code 0..99 ("STO", "X²", "E'"); "" for a byte above 99.
std::string_view mnemonic(int code);

// The merged indirect code of a key (STO 42 -> 72), or 255 when the key has none.
KeyCode mergedCode(int keyCode);
// The key of a merged indirect code (72 -> 42), or 255 when the code is not a merged form.
KeyCode unmergedCode(int mergedCode);

// PGM, STO, RCL, SUM, EXC, PRD and OP: keys followed by a two-digit register, program or
// operation number (IND may come first).
inline bool takesTwoDigitOperand(int code) {
    return code == key::kPgm || code == key::kSto || code == key::kRcl || code == key::kSum ||
           code == key::kExc || code == key::kPrd || code == key::kOp;
}

inline bool isDigitKey(int code) {
    return code >= 0 && code <= 9;
}
// A, B, ... E, A', ... E' (codes 10 to 19).
inline bool isLabelKey(int code) {
    return code >= 10 && code <= 19;
}

}  // namespace korvelce
