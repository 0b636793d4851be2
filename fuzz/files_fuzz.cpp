// Feeds arbitrary bytes to the file readers: as a memory image (then a few keys and a bounded
// run of the loaded program), as a library module (then a bounded run of its first program),
// to the listing of what they loaded, and through the disassembler and back (which must give
// the same steps), and to the assembler as source text. The first byte chooses how the rest is
// shaped, so the 1800-byte and 2600-byte layouts are reached as well as every other size.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/run_keys.h"
#include "decimal/number_text.h"
#include "engine/calc_engine.h"
#include "files/library_module.h"
#include "files/listing.h"
#include "files/memory_image.h"
#include "files/program_source.h"

namespace {

using korvelce::CalcEngine;
namespace key = korvelce::key;

constexpr std::int64_t kMaxSteps = 1000;

void look(const CalcEngine& engine) {
    char text[korvelce::kTextCapacity];
    engine.displayText(text, korvelce::kTextCapacity, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    std::vector<std::uint8_t> bytes(data + 1, data + size);
    switch (data[0] % 4) {
        case 1:
            bytes.resize(korvelce::kOldImageSize);
            break;
        case 2:
            bytes.resize(korvelce::kImageSize);
            break;
        default:
            break;
    }

    {
        CalcEngine engine;
        // Some state the image must leave alone: a pending operation and a display value.
        korvelce::pressAndRun(engine, 7, kMaxSteps);
        korvelce::pressAndRun(engine, key::kAdd, kMaxSteps);
        korvelce::applyMemoryImage(engine, bytes);
        for (const int code : {int{key::kEquals}, int{key::kRcl}, 42, int{key::kRst},
                               int{key::kRunStop}, int{key::kA}, int{key::kSquare}})
            korvelce::pressAndRun(engine, code, kMaxSteps);
        look(engine);
        (void)korvelce::listingLines(engine.programMemory[0]);
        (void)korvelce::memoryImageBytes(engine);
    }

    {
        // Any steps, bytes above 99 included, come back from their source text unchanged.
        korvelce::ProgramBank bank{};
        for (std::size_t i = 0; i < bytes.size() && i < bank.size(); ++i)
            bank[i] = bytes[i];
        const std::string text = korvelce::disassembleProgram(bank);
        CalcEngine engine;
        if (!korvelce::assembleProgram(engine, text).ok || engine.programMemory[0] != bank)
            __builtin_trap();
    }

    {
        CalcEngine engine;
        (void)korvelce::assembleProgram(
            engine, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }

    {
        CalcEngine engine;
        const korvelce::ModuleLoadResult loaded =
            korvelce::loadLibraryModule(engine, std::span<const std::uint8_t>(bytes));
        (void)loaded;
        for (const int code : {int{key::kPgm}, 0, 1, int{key::kRunStop}})
            korvelce::pressAndRun(engine, code, kMaxSteps);
        look(engine);
        (void)korvelce::listingFileBytes(engine.programMemory[1]);
        // Bank 0 after the run holds whatever the program copied there (operation 09).
        (void)korvelce::listingText(engine.programMemory[0]);
    }
    return 0;
}
