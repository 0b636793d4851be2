// The face as a grid of keys: its size and the code each position sends. Apart from the
// key-code names, so that code with names of its own (the window's key map) can use it.
#pragma once

namespace korvelce {

inline constexpr int kGridColumns = 5;
inline constexpr int kGridRows = 9;

// The 2nd key (row 1, column 0): it sends its grid code and has no 2nd function.
inline constexpr int kSecondKeyCode = 21;

// The code a face key sends, from its grid code ((row + 1) * 10 + column + 1): the ten number
// keys sit in the middle of the grid and send the digit codes; every other key sends its grid
// code.
inline constexpr int keyOfGridCode(int gridCode) {
    switch (gridCode) {
        case 62:
            return 7;
        case 63:
            return 8;
        case 64:
            return 9;
        case 72:
            return 4;
        case 73:
            return 5;
        case 74:
            return 6;
        case 82:
            return 1;
        case 83:
            return 2;
        case 84:
            return 3;
        case 92:
            return 0;
        default:
            return gridCode;
    }
}

// The key code a grid position sends, with the 2nd state applied and the number keys mapped to
// digit codes. The 2nd key itself is reported as 21, with or without 2nd.
inline constexpr int keyCodeAt(int column, int row, bool second) {
    const int code = (row + 1) * 10 + (column + 1);
    if (code == kSecondKeyCode) return kSecondKeyCode;
    // The 2nd function is five codes on; the last column's wraps to the row's code 0.
    if (second) return column == kGridColumns - 1 ? code - 5 : code + 5;
    return keyOfGridCode(code);
}

}  // namespace korvelce
