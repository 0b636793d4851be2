// The label search reads raw steps, so a register operand 76 followed by a key would pass for
// LBL and that key: in every library program each label must be found where it is defined.
#include <gtest/gtest.h>

#include "engine/calc_engine.h"
#include "files/library_module.h"
#include "files/module_resources.h"
#include "programming/step_forms.h"

namespace korvelce {
namespace {

TEST(LibraryLabels, EveryLabelIsFoundWhereItIsDefined) {
    for (const int module : {110, 128}) {
        CalcEngine engine;
        const auto bytes = moduleResource(module);
        ASSERT_TRUE(bytes.has_value());
        loadLibraryModule(engine, *bytes);
        for (int bank = 1; bank < kBanks; ++bank) {
            const ProgramBank& steps = engine.programMemory[static_cast<std::size_t>(bank)];
            engine.selectedBank[0] = static_cast<std::int16_t>(bank);
            int labels = 0;
            for (int s = 0; s < kSteps;) {
                const auto roles = instructionSteps(steps, s);
                if (steps[static_cast<std::size_t>(s)] == key::kLbl && roles.size() == 2) {
                    const int label = steps[static_cast<std::size_t>(s + 1)];
                    EXPECT_EQ(engine.findLabel(label), s)
                        << "module " << module << " program " << bank << ": LBL " << mnemonic(label)
                        << " at " << s;
                    ++labels;
                }
                s += static_cast<int>(roles.size());
            }
            if (labels > 0) continue;
            // An empty slot: nothing at all.
            for (const auto step : steps)
                ASSERT_EQ(step, 0) << module << " " << bank;
        }
    }
}

}  // namespace
}  // namespace korvelce
