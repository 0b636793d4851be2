#include "files/listing.h"

#include <algorithm>
#include <cstdio>

#include "programming/step_forms.h"
#include "programming/text_encoding.h"

namespace korvelce {

namespace {

// The printed name of a step; a byte above 99 (possible only in a damaged file) has none.
std::string nameOf(int code) {
    const std::string_view name = mnemonic(code);
    return name.empty() ? std::string("?") : std::string(name);
}

std::string formOf(int code, StepRole role) {
    char text[16];
    switch (role) {
        case StepRole::kNumber:
        case StepRole::kAddressLow:
            std::snprintf(text, sizeof text, "%02d", code);
            return text;
        case StepRole::kAddressHigh:
            std::snprintf(text, sizeof text, "%d", code);
            return text;
        case StepRole::kIndirect:
            // The IND inside an operand reads as the key it is.
            return std::string(mnemonic(key::kInd));
        case StepRole::kInstruction:
        case StepRole::kLabel:
            break;
    }
    return nameOf(code);
}

}  // namespace

int listingLength(const ProgramBank& bank) {
    int last = -1;
    for (int s = kSteps - 1; s >= 0; --s) {
        if (bank[static_cast<std::size_t>(s)] != 0) {
            last = s;
            break;
        }
    }
    // C's remainder keeps the sign of the dividend: -1 % 20 is -1, so an empty bank gives 20.
    const int length = last - last % 20 + 20;
    return length > kSteps ? kSteps : length;
}

std::vector<ListingRow> listingRows(const ProgramBank& bank, int length) {
    std::vector<ListingRow> rows;
    if (length > kSteps) length = kSteps;
    rows.reserve(static_cast<std::size_t>(length > 0 ? length : 0) + 3);
    int address = 0;
    while (address < length) {
        // instructionSteps never reaches past step 999.
        for (const StepRole role : instructionSteps(bank, address)) {
            const int code = bank[static_cast<std::size_t>(address)];
            rows.push_back(ListingRow{address, code, formOf(code, role)});
            ++address;
        }
    }
    return rows;
}

std::vector<std::string> listingLines(const ProgramBank& bank) {
    std::vector<std::string> lines;
    for (const ListingRow& row : listingRows(bank, listingLength(bank))) {
        char text[48];
        std::snprintf(text, sizeof text, "%03d %02d %s", row.address, row.code, row.form.c_str());
        lines.emplace_back(text);
    }
    return lines;
}

std::vector<std::uint8_t> listingFileBytes(const ProgramBank& bank) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    for (const std::string& text : listingLines(bank)) {
        for (const char16_t c : toUtf16(text + "\r\n")) {
            bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>(c >> 8));
        }
    }
    return bytes;
}

std::string listingText(const ProgramBank& bank) {
    std::string text;
    for (const std::string& l : listingLines(bank)) {
        text += l;
        text += '\n';
    }
    return text;
}

SaveResult writeListingFile(const CalcEngine& engine, const std::string& path) {
    const int bank =
        engine.currentBank >= 0 && engine.currentBank < kBanks ? engine.currentBank : 0;
    return writeFileReplacing(
        path, listingFileBytes(engine.programMemory[static_cast<std::size_t>(bank)]));
}

ProgramView ProgramView::of(const CalcEngine& engine) {
    ProgramView view;
    view.mode = engine.mode;
    if (engine.mode == kLearn) {
        // Learn mode always edits the user's program.
        view.bank = 0;
        view.marker = engine.learnPointer;
        view.editable = true;
        return view;
    }
    view.bank = engine.currentBank >= 0 && engine.currentBank < kBanks ? engine.currentBank : 0;
    view.marker = engine.programCounter;
    const int depth = std::clamp(engine.returnDepth, 0, kLevels - 1);
    const int selected = engine.selectedBank[static_cast<std::size_t>(depth)];
    if (engine.mode != kRun && view.bank == 0 && selected > 0 && selected < kBanks) {
        // A library program chosen with PGM and not entered yet: it is what the next label
        // key or R/S runs.
        view.bank = selected;
        view.marker = -1;
    }
    if (view.marker < -1 || view.marker >= kSteps) view.marker = -1;
    return view;
}

}  // namespace korvelce
