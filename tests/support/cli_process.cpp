#include "support/cli_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace korvelce::test {

std::string cliPath() {
    const char* fromEnvironment = std::getenv("KORVELCE_CLI");
    if (fromEnvironment != nullptr && *fromEnvironment != '\0') return fromEnvironment;
    return KORVELCE_CLI_PATH;
}

bool canRunCli() {
#ifdef __EMSCRIPTEN__
    return false;
#else
    return true;
#endif
}

CliRun runCli(const std::string& arguments) {
    CliRun run;
    if (!canRunCli()) return run;
    char errPath[] = "/tmp/korvelce-cli-err-XXXXXX";
    const int errFd = ::mkstemp(errPath);
    if (errFd < 0) return run;
    ::close(errFd);
    // Through bash, so that arguments may use its forms (process substitution, $'...').
    std::string script(1, '\'');
    script.append(cliPath()).append("' ").append(arguments).append(" 2>'").append(errPath);
    script += '\'';
    std::string quoted;
    for (const char c : script)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    const std::string command = "bash -c '" + quoted + "'";
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer{};
        std::size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
            run.out.append(buffer.data(), n);
        const int raw = ::pclose(pipe);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    std::ifstream in(errPath, std::ios::binary);
    run.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    ::unlink(errPath);
    return run;
}

}  // namespace korvelce::test
