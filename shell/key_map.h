// Which PC key presses which calculator key: one table, the defaults below, changed by the
// user's lines in the settings group "Keys" (one line per PC key, e.g. "Shift+Q=SIN").
//
// A PC key is a key with or without Shift. A calculator key is a key of the face, or its 2nd
// function: the key map names the face's key, so that the 2nd key typed first (F2 by
// default) shifts a PC key to that key's 2nd function exactly as it shifts a tap.
//
// The defaults: A to E for the labels and Shift+A to Shift+E for A' to E'; the digits, the
// point, + - * / ( ) and = or Enter as printed; F2 for 2nd and I for INV; for the rest a
// letter from the key's name (L ln x, S STO, R RCL, M SUM, G GTO, ...), with Shift giving
// that key's 2nd function (Shift+L log, Shift+S CMS, ...). README lists them all.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <Qt>
#include <optional>
#include <vector>

#include "shell/layout.h"

namespace korvelce {

// A key of the face (column 0..4, row 0..8), or its 2nd function.
struct FaceKey {
    int column = -1;
    int row = -1;
    bool second = false;

    [[nodiscard]] bool valid() const {
        return column >= 0 && column < kGridColumns && row >= 0 && row < kGridRows;
    }
    // The 2nd key itself.
    [[nodiscard]] bool isSecondKey() const { return column == 0 && row == 1 && !second; }
    // The code it sends, given whether 2nd was typed before it.
    [[nodiscard]] int code(bool secondActive) const {
        return keyCodeAt(column, row, second || secondActive);
    }
    friend bool operator==(const FaceKey&, const FaceKey&) = default;
};

// A key of the PC keyboard: a Qt key code (letters as capitals) and whether Shift is held.
struct PcKey {
    int key = 0;
    bool shift = false;
    friend bool operator==(const PcKey&, const PcKey&) = default;
};

// The name of a PC key as the settings file and the help write it ("Shift+Q", "Space", "/").
QString pcKeyName(PcKey key);
// The PC key a name stands for: an optional "Shift+", then a key name ("Space", "Backspace",
// "F2", "Slash", ...) or one character. Case does not matter. Nothing for anything else,
// including other modifiers and F1 (which shows the key map).
std::optional<PcKey> parsePcKey(const QString& text);

// The calculator key a name stands for: a legend of the face as the key tokens write it
// ("STO", "SIN", "A'", "2nd", "X<->T", "R/S", "+/-", "Y^X"), case not mattering, or a key
// code of the face ("42", "38"). A name that is both a key and another key's 2nd function
// (INV) means the key.
std::optional<FaceKey> parseFaceKey(const QString& text);
// The name of a calculator key as printed on the face ("STO", "SIN", "2nd").
QString faceKeyName(FaceKey key);

class KeyMap {
  public:
    // The default map.
    static KeyMap defaults();

    // The calculator key a PC key press gives, or nothing. Shift with a key that is not a
    // letter and has no entry of its own is the character it typed ("+" is Shift+= on many
    // keyboards), so the entry without Shift applies. Control, Alt and Meta give nothing.
    [[nodiscard]] std::optional<FaceKey> lookup(int qtKey, Qt::KeyboardModifiers modifiers) const;

    // The PC keys that give a calculator key, as names, in the map's order.
    [[nodiscard]] QStringList pcKeysFor(FaceKey key) const;

    // Maps a PC key to a calculator key, replacing what it gave before.
    void set(PcKey pcKey, FaceKey faceKey);
    // The PC key gives nothing any more.
    void remove(PcKey pcKey);

    // Applies the user's lines (PC key name, calculator key name). The calculator key "none"
    // or an empty one removes the PC key from the map. A line that does not parse changes
    // nothing; it is described in the returned list, one entry per such line.
    QStringList apply(const QList<QPair<QString, QString>>& lines);

    [[nodiscard]] const std::vector<std::pair<PcKey, FaceKey>>& entries() const { return entries_; }

  private:
    std::vector<std::pair<PcKey, FaceKey>> entries_;
};

// The settings subkey of the user's lines, under the settings key.
inline constexpr auto kKeysSubkey = "Keys";

// The default map with the user's lines from the settings store applied; problems receives a
// description of each line that was ignored.
KeyMap loadKeyMap(QStringList* problems);

}  // namespace korvelce
