#include "support/key_sequence.h"

#include <gtest/gtest.h>

#include "files/key_tokens.h"

namespace korvelce::test {

std::vector<int> keyCodes(std::string_view tokens) {
    const KeyParse parsed = parseKeyTokens(tokens);
    EXPECT_TRUE(parsed.ok) << "unknown key token '" << parsed.badToken << "' in: " << tokens;
    return parsed.codes;
}

void press(CalcEngine& engine, std::string_view tokens) {
    for (const int code : keyCodes(tokens))
        engine.pressKey(code);
}

std::unique_ptr<CalcEngine> engineAfter(std::string_view tokens) {
    auto engine = std::make_unique<CalcEngine>();
    press(*engine, tokens);
    return engine;
}

std::string shown(const CalcEngine& engine) {
    std::string text = engine.displayText();
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

std::string displayAfter(std::string_view tokens) {
    return engineAfter(tokens)->displayText();
}

}  // namespace korvelce::test
