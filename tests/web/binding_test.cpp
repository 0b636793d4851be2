// The web page's calculator functions, called as the page's JavaScript calls them: keys in,
// display text and state out, programs run in slices that end at a pause, memory images and
// program text in and out, the printer's lines handed over once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "files/key_tokens.h"
#include "files/program_source.h"
#include "web/binding.h"

namespace {

constexpr int kRunStop = 91;

void press(std::string_view tokens) {
    const korvelce::KeyParse keys = korvelce::parseKeyTokens(tokens);
    ASSERT_TRUE(keys.ok) << keys.badToken;
    for (const int code : keys.codes)
        kv_press(code);
}

std::string trimmed(const char* text) {
    std::string value = text;
    value.erase(0, value.find_first_not_of(' '));
    return value;
}

std::string display() {
    return trimmed(kv_display(0));
}

std::vector<std::uint8_t> image() {
    const std::uint8_t* bytes = kv_image();
    return {bytes, bytes + kv_buffer_size()};
}

void fill(const std::string& bytes) {
    std::uint8_t* target = kv_buffer(static_cast<int>(bytes.size()));
    if (!bytes.empty()) std::memcpy(target, bytes.data(), bytes.size());
}

std::string importBytes(const char* name, const std::string& bytes) {
    fill(bytes);
    return kv_import(name);
}

// The elements of the array called name in the panels' state, as written (strings quoted).
std::vector<std::string> stateArray(std::string_view name) {
    const std::string state = kv_state_json();
    const std::string key = "\"" + std::string(name) + "\":[";
    const std::size_t start = state.find(key);
    if (start == std::string::npos) return {};
    std::vector<std::string> items(1);
    bool quoted = false;
    for (std::size_t i = start + key.size(); i < state.size(); ++i) {
        const char c = state[i];
        if (c == '"') quoted = !quoted;
        if (!quoted && c == ']') break;
        if (!quoted && c == ',')
            items.emplace_back();
        else
            items.back() += c;
    }
    return items;
}

// The field called name of the panels' state, as written.
std::string stateField(std::string_view name) {
    const std::string state = kv_state_json();
    const std::string key = "\"" + std::string(name) + "\":";
    const std::size_t start = state.find(key);
    if (start == std::string::npos) return "";
    const std::size_t end = state.find_first_of(",}", start + key.size());
    return state.substr(start + key.size(), end - start - key.size());
}

class Binding : public ::testing::Test {
  protected:
    void SetUp() override {
        kv_reset();
        (void)kv_take_tape();
    }
};

TEST_F(Binding, KeysGiveTheDisplayTheWindowShows) {
    struct Row {
        const char* keys;
        const char* shown;
        bool apart;
        int error;
        const char* number;  // the display as a plain number; nullptr: not a number
    };
    const Row rows[] = {
        {"2 + 3 * 4 =", "14.", false, 0, "14"},
        {"( 2 + 3 ) * 4 =", "20.", false, 0, "20"},
        {"1 EE 5 +/-", "1-05", true, 0, "1e-5"},
        {"4 +/- SQRT", "2.", false, 1, "2"},
        {"0 1/X", "9.9999999 99", true, 1, "9.9999999e99"},
        {"0 1/X CE", "9.9999999 99", true, 0, "9.9999999e99"},
        {"LRN", "000 00", true, 0, nullptr},
        {".5 +/-", "-0.5", false, 0, "-0.5"},
        {"1.5 EE 12 +/-", "1.5-12", true, 0, "1.5e-12"},
        {"1 EE 0", "1 00", true, 0, "1"},
        {"1 - 1 =", "0.", false, 0, "0"},
        {"FIX 2 .001 =", "0.00", false, 0, "0.00"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.keys);
        kv_reset();
        press(row.keys);
        EXPECT_EQ(display(), row.shown);
        EXPECT_EQ(kv_display_apart(), row.apart ? 1 : 0);
        EXPECT_EQ(kv_error(), row.error);
        if (row.number != nullptr) EXPECT_STREQ(kv_display_number(), row.number);
    }
}

TEST_F(Binding, TheDisplayNumberIsTheTextShownLast) {
    // During a pause the value is shown, not the running display: the number follows the text
    // the page was given.
    press("LRN LBL A 1 SUM 00 PAU GTO A LRN A");
    kv_run(1000);
    ASSERT_EQ(kv_paused(), 1);
    (void)kv_display(1);
    EXPECT_STREQ(kv_display_number(), "1");
    (void)kv_display(0);
    EXPECT_NE(std::string(kv_display_number()), "1");
}

TEST_F(Binding, RunsInSlicesThatEndAtAPauseAndStopOnRunStop) {
    press("LRN LBL A 1 SUM 00 PAU GTO A LRN");
    ASSERT_EQ(kv_mode(), 0);
    press("A");
    ASSERT_EQ(kv_mode(), 2);
    // The slice ends after the PAU step, long before its step budget.
    const int steps = kv_run(1000);
    EXPECT_LT(steps, 1000);
    EXPECT_EQ(kv_paused(), 1);
    EXPECT_EQ(trimmed(kv_display(1)), "1.");
    EXPECT_EQ(trimmed(kv_display(0)).front(), '[');
    // Only R/S reaches a running program.
    press("CLR 9 STO 00");
    EXPECT_EQ(kv_mode(), 2);
    kv_press(kRunStop);
    kv_run(1000);
    EXPECT_EQ(kv_mode(), 0);
    press("RCL 00");
    EXPECT_GE(std::stod(display()), 1.0);
}

TEST_F(Binding, AnEndlessLoopRunsItsWholeSliceAndGoesOn) {
    press("LRN LBL A 1 SUM 00 GTO A LRN A");
    EXPECT_EQ(kv_run(5000), 5000);
    EXPECT_EQ(kv_mode(), 2);
    EXPECT_EQ(kv_paused(), 0);
    kv_press(kRunStop);
    EXPECT_LE(kv_run(5000), 5);
    EXPECT_EQ(kv_mode(), 0);
}

TEST_F(Binding, MemoryImagesRoundTripAndOnlyImagesAreRestored) {
    press("42 STO 07 LRN LBL A 1 + 2 = R/S LRN");
    const std::vector<std::uint8_t> saved = image();
    ASSERT_EQ(saved.size(), 2600U);
    kv_reset();
    EXPECT_NE(image(), saved);

    const std::string bytes(saved.begin(), saved.end());
    struct Row {
        std::string bytes;
        int applied;
    };
    const Row rows[] = {
        {bytes.substr(0, 12), 0},
        {bytes + "x", 0},
        {"", 0},
        {bytes, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bytes.size());
        const std::vector<std::uint8_t> before = image();
        fill(row.bytes);
        EXPECT_EQ(kv_restore(), row.applied);
        if (row.applied == 0) EXPECT_EQ(image(), before);
    }
    EXPECT_EQ(image(), saved);
    press("RCL 07");
    EXPECT_EQ(display(), "42.");
    press("A");
    kv_run(100);
    EXPECT_EQ(display(), "3.");
}

TEST_F(Binding, ImportsReplaceEverythingOrNothing) {
    press("5 STO 01 LRN LBL B 7 R/S LRN");
    const std::vector<std::uint8_t> before = image();
    struct Refusal {
        const char* name;
        std::string bytes;
        const char* message;
    };
    const Refusal refusals[] = {
        {"short.kv", std::string(12, '\0'), "it holds 12 bytes"},
        {"prog.kvs", "LBL A FOO", "unknown key token 'FOO'"},
        {"prog.kvs", std::string(2600, '\0'), "is not program source text"},
    };
    for (const Refusal& row : refusals) {
        SCOPED_TRACE(row.name);
        fill(row.bytes);
        const std::string checked = kv_check(row.name);
        EXPECT_NE(checked.find(row.message), std::string::npos) << checked;
        const std::string message = importBytes(row.name, row.bytes);
        EXPECT_NE(message.find(row.message), std::string::npos) << message;
        EXPECT_EQ(image(), before);
    }

    // Program text replaces the program and clears the registers, as the desktop does; the
    // check alone changes nothing.
    fill("LBL A 1 + 2 = R/S");
    EXPECT_STREQ(kv_check("sum.kvs"), "");
    EXPECT_EQ(image(), before);
    EXPECT_EQ(importBytes("Sum.KVS", "# adds\nLBL A 1 + 2 = R/S\n"), "");
    press("RCL 01");
    EXPECT_EQ(display(), "0.");
    press("A");
    kv_run(100);
    EXPECT_EQ(display(), "3.");

    // A memory image brings registers and program back byte for byte; a run it replaces
    // ends.
    press("LRN LBL A GTO A LRN A");
    ASSERT_EQ(kv_mode(), 2);
    const std::string bytes(before.begin(), before.end());
    EXPECT_EQ(importBytes("back.kv", bytes), "");
    EXPECT_EQ(kv_mode(), 0);
    EXPECT_EQ(kv_run(100), 0);
    EXPECT_EQ(image(), before);
}

TEST_F(Binding, ProgramTextAndListingFollowTheProgram) {
    press("LRN LBL A RCL 12 PRT R/S LRN");
    const std::string source = kv_source();
    EXPECT_NE(source.find("RCL 12"), std::string::npos) << source;
    const std::vector<std::uint8_t> keyed = image();
    kv_reset();
    EXPECT_EQ(importBytes("again.kvs", source), "");
    EXPECT_EQ(image(), keyed);

    const std::string listing = kv_listing_json();
    EXPECT_EQ(listing.rfind("[[0,76,\"LBL\"],[1,11,\"A\"],[2,43,\"RCL\"],[3,12,\"12\"]", 0), 0U)
        << listing;
}

TEST_F(Binding, PrintedLinesAreHandedOverOnce) {
    press("5 PRT 2.5 +/- PRT");
    const std::string tape = kv_take_tape();
    EXPECT_EQ(std::count(tape.begin(), tape.end(), '\n'), 2) << tape;
    EXPECT_NE(tape.find("5."), std::string::npos) << tape;
    EXPECT_NE(tape.find("-2.5"), std::string::npos) << tape;
    EXPECT_EQ(tape.find('\r'), std::string::npos);
    EXPECT_STREQ(kv_take_tape(), "");
}

TEST_F(Binding, CopiedNumbersPasteBackAsTheSameDisplay) {
    press("2 SQRT");
    const std::string shown = display();
    EXPECT_STREQ(kv_copy(0), "1.414213562");
    EXPECT_STREQ(kv_copy(1), "1.414213562373");
    press("CLR 7 7");
    EXPECT_STREQ(kv_paste("1.414213562"), "");
    EXPECT_EQ(display(), shown);
    // A refusal presses nothing.
    const std::string refused = kv_paste("1.414213562373");
    EXPECT_NE(refused.find("more digits"), std::string::npos) << refused;
    EXPECT_EQ(display(), shown);
    press("LRN LBL A GTO A LRN A");
    EXPECT_NE(std::string(kv_paste("5")).find("running"), std::string::npos);
    EXPECT_EQ(kv_mode(), 2);
}

TEST_F(Binding, ModulesAndThePanelsState) {
    EXPECT_EQ(kv_load_module(999), 0);
    EXPECT_STREQ(kv_module_name(999), "");
    ASSERT_EQ(kv_load_module(110), 1);
    EXPECT_STREQ(kv_module_name(110), "Master");
    press("12.5 STO 03 STF 3 ( 4 +");
    const std::string state = kv_state_json();
    EXPECT_NE(state.find("\"module\":110"), std::string::npos) << state;
    EXPECT_NE(state.find("\"registers\":[\"0.\",\"0.\",\"0.\",\"12.5\""), std::string::npos)
        << state;
    EXPECT_NE(state.find("\"flags\":[0,0,0,1,0"), std::string::npos) << state;
    EXPECT_NE(state.find("\"pending\":\"( 4. +\""), std::string::npos) << state;
    // A library program selected shows its title.
    press("CLR PGM 01");
    const std::string selected = kv_state_json();
    EXPECT_NE(selected.find("\"bank\":1"), std::string::npos) << selected;
    EXPECT_EQ(selected.find("\"programTitle\":\"\""), std::string::npos) << selected;
    EXPECT_NE(std::string(kv_listing_json()).rfind("[[0,", 0), std::string::npos);
    // Learn mode always shows the user's program.
    press("LRN");
    EXPECT_NE(std::string(kv_state_json()).find("\"bank\":0,\"marker\":0"), std::string::npos);
}

TEST_F(Binding, RegistersSayWhetherTheirValueIsZeroWhateverTheyShow) {
    struct Row {
        const char* keys;
        const char* shown;  // R05 as the panel shows it
        const char* nonZero;
    };
    const Row rows[] = {
        {"FIX 2 .001 STO 05", "\"0.00\"", "1"},
        {"FIX 2 .004 +/- STO 05", "\"-0.00\"", "1"},
        {"FIX 0 .4 STO 05", "\"0.\"", "1"},
        {"1 EE 99 +/- STO 05", "\"1.-99\"", "1"},
        {"7 STO 05", "\"7.\"", "1"},
        {"FIX 2 7 STO 05 7 INV SUM 05", "\"0.00\"", "0"},
        {"FIX 2", "\"0.00\"", "0"},
        {"", "\"0.\"", "0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.keys);
        kv_reset();
        press(row.keys);
        const std::vector<std::string> registers = stateArray("registers");
        const std::vector<std::string> nonZero = stateArray("nonZero");
        ASSERT_EQ(registers.size(), 100U);
        ASSERT_EQ(nonZero.size(), 100U);
        EXPECT_EQ(registers[5], row.shown);
        EXPECT_EQ(nonZero[5], row.nonZero);
        // Every other register stays zero.
        EXPECT_EQ(std::count(nonZero.begin(), nonZero.end(), "1"),
                  std::string_view(row.nonZero) == "1" ? 1 : 0);
    }
}

TEST_F(Binding, TheListingMarksTheStepTheWindowMarks) {
    ASSERT_EQ(kv_load_module(110), 1);
    struct Row {
        const char* keys;
        const char* bank;
        const char* marker;  // -1: no step marked
    };
    const Row rows[] = {
        {"", "0", "0"},
        {"GTO 0 1 2", "0", "12"},
        {"LRN SST SST", "0", "2"},
        // A library program chosen and not entered: no step is marked.
        {"PGM 01", "1", "-1"},
        {"PGM 01 LRN", "0", "0"},
        {"GTO 0 1 2 PGM 02", "2", "-1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.keys);
        kv_reset();
        press(row.keys);
        EXPECT_EQ(stateField("bank"), row.bank);
        EXPECT_EQ(stateField("marker"), row.marker);
    }
}

}  // namespace
