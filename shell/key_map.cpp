#include "shell/key_map.h"

#include <QChar>
#include <algorithm>
#include <array>
#include <string_view>

#include "files/key_tokens.h"
#include "shell/registry_key.h"
#include "shell/settings.h"

namespace korvelce {

namespace {

// Keys with a name of their own; the first name of a key is the one written.
struct NamedKey {
    const char* name;
    int key;
};

constexpr NamedKey kNamedKeys[] = {
    {"Space", Qt::Key_Space},
    {"Backspace", Qt::Key_Backspace},
    {"Escape", Qt::Key_Escape},
    {"Esc", Qt::Key_Escape},
    {"Return", Qt::Key_Return},
    {"Enter", Qt::Key_Enter},
    {"Tab", Qt::Key_Tab},
    {"Delete", Qt::Key_Delete},
    {"Del", Qt::Key_Delete},
    {"Insert", Qt::Key_Insert},
    {"Ins", Qt::Key_Insert},
    {"Home", Qt::Key_Home},
    {"End", Qt::Key_End},
    {"PageUp", Qt::Key_PageUp},
    {"PgUp", Qt::Key_PageUp},
    {"PageDown", Qt::Key_PageDown},
    {"PgDown", Qt::Key_PageDown},
    {"Up", Qt::Key_Up},
    {"Down", Qt::Key_Down},
    {"Left", Qt::Key_Left},
    {"Right", Qt::Key_Right},
    {"F2", Qt::Key_F2},
    {"F3", Qt::Key_F3},
    {"F4", Qt::Key_F4},
    {"F5", Qt::Key_F5},
    {"F6", Qt::Key_F6},
    {"F7", Qt::Key_F7},
    {"F8", Qt::Key_F8},
    {"F9", Qt::Key_F9},
    {"F10", Qt::Key_F10},
    {"F11", Qt::Key_F11},
    {"F12", Qt::Key_F12},
    // Characters that a settings file cannot hold as a name, and others by name for clarity.
    {"Slash", Qt::Key_Slash},
    {"Backslash", Qt::Key_Backslash},
    {"Equal", Qt::Key_Equal},
    {"Semicolon", Qt::Key_Semicolon},
    {"Hash", Qt::Key_NumberSign},
    {"Plus", Qt::Key_Plus},
    {"Minus", Qt::Key_Minus},
    {"Asterisk", Qt::Key_Asterisk},
    {"Star", Qt::Key_Asterisk},
    {"Period", Qt::Key_Period},
    {"Dot", Qt::Key_Period},
    {"Comma", Qt::Key_Comma},
    {"Caret", Qt::Key_AsciiCircum},
    {"ParenLeft", Qt::Key_ParenLeft},
    {"ParenRight", Qt::Key_ParenRight},
};

// Keys written as the character they type.
bool isCharacterKey(int key) {
    return key > Qt::Key_Space && key < 0x10000 && QChar(static_cast<char16_t>(key)).isPrint();
}

bool isLetterKey(int key) {
    return key < 0x10000 && QChar(static_cast<char16_t>(key)).isLetter();
}

// Names of the window's own for keys, beside the legends and the key tokens' aliases.
constexpr std::pair<std::string_view, std::string_view> kFaceKeyAliases[] = {
    {"SECOND", "2ND"},
    {"LN", "LNX"},
};

QString upper(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUpper();
}

FaceKey key(int column, int row, bool second = false) {
    return {column, row, second};
}

}  // namespace

QString pcKeyName(PcKey pcKey) {
    QString name;
    for (const NamedKey& named : kNamedKeys) {
        if (named.key == pcKey.key && !isCharacterKey(named.key)) {
            name = QString::fromLatin1(named.name);
            break;
        }
    }
    if (name.isEmpty()) {
        if (isCharacterKey(pcKey.key))
            name = QChar(static_cast<char16_t>(pcKey.key));
        else if (pcKey.key == Qt::Key_Space)
            name = QStringLiteral("Space");
        else
            name = QStringLiteral("0x%1").arg(pcKey.key, 0, 16);
    }
    return pcKey.shift ? QStringLiteral("Shift+") + name : name;
}

std::optional<PcKey> parsePcKey(const QString& text) {
    QString rest = text.trimmed();
    PcKey result;
    const QString shift = QStringLiteral("shift+");
    if (rest.startsWith(shift, Qt::CaseInsensitive)) {
        result.shift = true;
        rest = rest.mid(shift.size()).trimmed();
    }
    if (rest.isEmpty()) return std::nullopt;
    for (const NamedKey& named : kNamedKeys) {
        if (rest.compare(QLatin1String(named.name), Qt::CaseInsensitive) == 0) {
            result.key = named.key;
            return result;
        }
    }
    if (rest.size() != 1) return std::nullopt;
    const QChar character = rest.at(0).toUpper();
    if (!isCharacterKey(character.unicode())) return std::nullopt;
    result.key = character.unicode();
    return result;
}

std::optional<FaceKey> parseFaceKey(const QString& text) {
    QString name = text.trimmed().toUpper();
    if (name.isEmpty()) return std::nullopt;
    for (const auto& [alias, meaning] : kFaceKeyAliases) {
        if (name == upper(alias)) name = upper(meaning);
    }
    if (name == QStringLiteral("2ND")) return key(0, 1);
    // A key code, or an alias the key tokens accept ("X^2"), found by its code.
    bool number = false;
    int code = name.toInt(&number, 10);
    for (const KeyAlias& alias : keyAliases()) {
        if (name == upper(alias.name)) {
            number = true;
            code = alias.code;
        }
    }
    for (const bool second : {false, true}) {
        for (int row = 0; row < kGridRows; ++row) {
            for (int column = 0; column < kGridColumns; ++column) {
                const FaceKey candidate = key(column, row, second);
                if (number ? candidate.code(false) == code
                           : faceKeyName(candidate).toUpper() == name)
                    return candidate;
            }
        }
    }
    return std::nullopt;
}

QString faceKeyName(FaceKey faceKey) {
    if (!faceKey.valid()) return {};
    const KeyLegend legend = keyLegend(faceKey.column, faceKey.row);
    const std::string_view text = faceKey.second ? legend.second : legend.main;
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

KeyMap KeyMap::defaults() {
    KeyMap map;
    auto add = [&map](int qtKey, bool shift, FaceKey faceKey) {
        map.entries_.push_back({PcKey{qtKey, shift}, faceKey});
    };
    // A key and, with Shift, its 2nd function.
    auto both = [&add](int qtKey, int column, int row) {
        add(qtKey, false, key(column, row));
        add(qtKey, true, key(column, row, true));
    };
    for (int column = 0; column < kGridColumns; ++column)
        both(Qt::Key_A + column, column, 0);  // A..E, A'..E'
    add(Qt::Key_F2, false, key(0, 1));        // 2nd
    add(Qt::Key_I, false, key(1, 1));         // INV
    both(Qt::Key_L, 2, 1);                    // ln x, log
    both(Qt::Key_Backspace, 3, 1);            // CE, CP
    add(Qt::Key_Escape, false, key(4, 1));    // CLR
    both(Qt::Key_K, 0, 2);                    // LRN (keying a program in), PGM
    both(Qt::Key_T, 1, 2);                    // x<->t, P->R
    both(Qt::Key_Q, 2, 2);                    // x² (square), sin
    add(Qt::Key_twosuperior, false, key(2, 2));
    both(Qt::Key_V, 3, 2);                     // root, cos
    add(Qt::Key_Backslash, false, key(4, 2));  // 1/x
    both(Qt::Key_Down, 0, 3);                  // SST, INS
    add(Qt::Key_Insert, false, key(0, 3, true));
    both(Qt::Key_S, 1, 3);  // STO, CMS
    both(Qt::Key_R, 2, 3);  // RCL, EXC
    both(Qt::Key_M, 3, 3);  // SUM, PRD
    both(Qt::Key_Y, 4, 3);  // y^x, IND
    add(Qt::Key_AsciiCircum, false, key(4, 3));
    both(Qt::Key_Up, 0, 4);  // BST, DEL
    add(Qt::Key_Delete, false, key(0, 4, true));
    both(Qt::Key_X, 1, 4);  // EE (times ten to the x), ENG
    add(Qt::Key_ParenLeft, false, key(2, 4));
    add(Qt::Key_F, false, key(2, 4, true));  // FIX
    add(Qt::Key_ParenRight, false, key(3, 4));
    add(Qt::Key_Slash, false, key(4, 4));
    both(Qt::Key_G, 0, 5);                   // GTO, PAU
    add(Qt::Key_O, false, key(3, 5, true));  // OP
    add(Qt::Key_Asterisk, false, key(4, 5));
    both(Qt::Key_U, 0, 6);  // SBR (subroutine), LBL
    add(Qt::Key_Minus, false, key(4, 6));
    both(Qt::Key_Home, 0, 7);                // RST, STF
    add(Qt::Key_P, false, key(3, 7, true));  // pi
    add(Qt::Key_Plus, false, key(4, 7));
    both(Qt::Key_Space, 0, 8);  // R/S, WRT
    add(Qt::Key_Period, false, key(2, 8));
    add(Qt::Key_Comma, false, key(2, 8));
    both(Qt::Key_N, 3, 8);  // +/- (negate), PRT
    add(Qt::Key_F9, false, key(3, 8));
    add(Qt::Key_Equal, false, key(4, 8));
    both(Qt::Key_Return, 4, 8);  // =, LST
    both(Qt::Key_Enter, 4, 8);
    // The digits, in the order of the face.
    const std::array<std::pair<int, int>, 10> digits = {{
        {1, 8},
        {1, 7},
        {2, 7},
        {3, 7},
        {1, 6},
        {2, 6},
        {3, 6},
        {1, 5},
        {2, 5},
        {3, 5},
    }};
    for (int d = 0; d < 10; ++d) {
        const auto [column, row] = digits[static_cast<std::size_t>(d)];
        add(Qt::Key_0 + d, false, key(column, row));
    }
    return map;
}

std::optional<FaceKey> KeyMap::lookup(int qtKey, Qt::KeyboardModifiers modifiers) const {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return std::nullopt;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        // Letters come as capitals whatever Caps Lock says.
    } else if (qtKey < 0x10000) {
        qtKey = QChar(static_cast<char16_t>(qtKey)).toUpper().unicode();
    }
    const bool shift = modifiers & Qt::ShiftModifier;
    auto find = [this](PcKey pcKey) -> std::optional<FaceKey> {
        for (const auto& [from, to] : entries_)
            if (from == pcKey) return to;
        return std::nullopt;
    };
    if (auto found = find({qtKey, shift})) return found;
    if (shift && !isLetterKey(qtKey)) return find({qtKey, false});
    return std::nullopt;
}

QStringList KeyMap::pcKeysFor(FaceKey faceKey) const {
    QStringList names;
    for (const auto& [from, to] : entries_)
        if (to == faceKey) names.append(pcKeyName(from));
    return names;
}

void KeyMap::set(PcKey pcKey, FaceKey faceKey) {
    for (auto& [from, to] : entries_) {
        if (from == pcKey) {
            to = faceKey;
            return;
        }
    }
    entries_.push_back({pcKey, faceKey});
}

void KeyMap::remove(PcKey pcKey) {
    std::erase_if(entries_, [&pcKey](const auto& entry) { return entry.first == pcKey; });
}

QStringList KeyMap::apply(const QList<QPair<QString, QString>>& lines) {
    QStringList problems;
    for (const auto& [pcText, faceText] : lines) {
        const auto pcKey = parsePcKey(pcText);
        if (!pcKey) {
            problems.append(QStringLiteral("%1=%2: \"%1\" is not a PC key this map can use")
                                .arg(pcText, faceText));
            continue;
        }
        const QString wanted = faceText.trimmed();
        if (wanted.isEmpty() || wanted.compare(QStringLiteral("none"), Qt::CaseInsensitive) == 0) {
            remove(*pcKey);
            continue;
        }
        const auto faceKey = parseFaceKey(wanted);
        if (!faceKey) {
            problems.append(
                QStringLiteral("%1=%2: \"%2\" is not a calculator key").arg(pcText, faceText));
            continue;
        }
        set(*pcKey, *faceKey);
    }
    return problems;
}

KeyMap loadKeyMap(QStringList* problems) {
    KeyMap map = KeyMap::defaults();
    RegistryKey keys;
    if (!keys.open(QString::fromLatin1(kSettingsKeyPath) + u'\\' + QLatin1String(kKeysSubkey),
                   false))
        return map;
    QList<QPair<QString, QString>> lines;
    QStringList unreadable;
    for (const QString& name : keys.valueNames()) {
        QString value;
        if (keys.readString(name, value, 1024))
            lines.append({name, value});
        else
            unreadable.append(QStringLiteral("%1: the value is not one calculator key").arg(name));
    }
    QStringList found = map.apply(lines);
    found = unreadable + found;
    if (problems != nullptr) *problems = found;
    return map;
}

}  // namespace korvelce
