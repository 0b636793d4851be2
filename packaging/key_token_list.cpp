// Writes the key tokens that a user types by name, one per line, for the shell completion of
// korvelce-cli: the printed name of every key code from 10 to 99 (the digits and the point are
// typed as numbers) and the ASCII spellings of the names that are hard to type. Every name is
// checked against the token reader, so the list never offers what korvelce-cli refuses; the
// run fails (exit 1) when one is refused.
//
//   korvelce_key_token_list OUTPUT_FILE
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/key_codes.h"
#include "files/key_tokens.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvelce_key_token_list OUTPUT_FILE\n");
        return 2;
    }
    std::vector<std::string> names;
    for (int code = 10; code < 100; ++code)
        if (code != korvelce::key::kPoint) names.emplace_back(korvelce::mnemonic(code));
    // The spellings for the keyboard, beside the printed names X², |X|, X<->T and P->R.
    for (const korvelce::KeyAlias& alias : korvelce::keyAliases())
        names.emplace_back(alias.name);

    std::vector<std::string> listed;
    bool ok = true;
    for (const std::string& name : names) {
        if (name.empty()) continue;
        if (!korvelce::tokenCodes(name)) {
            std::fprintf(stderr, "korvelce_key_token_list: '%s' is not a key token\n",
                         name.c_str());
            ok = false;
            continue;
        }
        if (std::find(listed.begin(), listed.end(), name) == listed.end()) listed.push_back(name);
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    for (const std::string& name : listed)
        out << name << '\n';
    out.close();
    if (!out) {
        std::fprintf(stderr, "korvelce_key_token_list: cannot write %s\n", argv[1]);
        return 1;
    }
    return ok ? 0 : 1;
}
