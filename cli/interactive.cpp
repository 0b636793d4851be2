#include "cli/interactive.h"

#include <histedit.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "cli/terminal_display.h"
#include "engine/calc_engine.h"
#include "engine/shell_services.h"
#include "files/listing.h"
#include "files/memory_image.h"
#include "files/module_resources.h"
#include "programming/run_slice.h"

namespace korvelce {

namespace {

using Clock = std::chrono::steady_clock;

// Set by the signal handlers, read by the prompt and the run loop.
volatile std::sig_atomic_t gInterrupts = 0;  // Ctrl-C presses not yet handled
volatile std::sig_atomic_t gHangup = 0;      // the terminal went away, or we were told to end

extern "C" void onInterrupt(int) {
    gInterrupts = gInterrupts + 1;
}

extern "C" void onHangup(int) {
    gHangup = 1;
}

// The signals that end a wait for a key or a run. They are blocked except while the
// calculator waits for a key or runs a program, so that one arriving while a key is being
// handled is seen at the next wait instead of being lost in it.
sigset_t watchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    sigaddset(&set, SIGTERM);
    return set;
}

// Installs the handlers (without SA_RESTART, so that a signal ends a wait at once) and blocks
// the signals; returns the mask to wait with.
sigset_t installHandlers() {
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = onInterrupt;
    sigaction(SIGINT, &action, nullptr);
    action.sa_handler = onHangup;
    sigaction(SIGHUP, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    const sigset_t watched = watchedSignals();
    sigset_t waiting;
    sigprocmask(SIG_BLOCK, &watched, &waiting);
    sigdelset(&waiting, SIGINT);
    sigdelset(&waiting, SIGHUP);
    sigdelset(&waiting, SIGTERM);
    return waiting;
}

// Lets the watched signals in for as long as it lives.
class SignalsOpen {
  public:
    explicit SignalsOpen(const sigset_t& open) { sigprocmask(SIG_SETMASK, &open, &saved_); }
    ~SignalsOpen() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
    SignalsOpen(const SignalsOpen&) = delete;
    SignalsOpen& operator=(const SignalsOpen&) = delete;

  private:
    sigset_t saved_{};
};

constexpr std::int64_t kSliceSteps = 512;
constexpr auto kStatusDelay = std::chrono::milliseconds(150);
constexpr auto kStatusPeriod = std::chrono::milliseconds(100);
constexpr auto kPauseTime = std::chrono::milliseconds(500);
// Steps a stopped run may still take to complete an instruction collecting its operand.
constexpr int kStopSteps = 1000;

// $XDG_STATE_HOME/korvelce/history, or ~/.local/state/korvelce/history.
std::string historyPath() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return std::string(state) + "/korvelce/history";
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return {};
    return std::string(home) + "/.local/state/korvelce/history";
}

// The folder of a file the user keeps, made when missing.
void makeFolderFor(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) return;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
}

// The terminal's width in columns, 80 when it cannot be told.
int terminalColumns() {
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

// Keys typed while a program runs are kept for the prompt but not echoed over the run's
// status line.
class EchoOff {
  public:
    EchoOff() {
        if (::isatty(STDIN_FILENO) == 0 || ::tcgetattr(STDIN_FILENO, &saved_) != 0) return;
        termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        active_ = ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
    }
    ~EchoOff() {
        if (active_) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

  private:
    termios saved_{};
    bool active_ = false;
};

// Whether standard output is a terminal that takes escape sequences (cursor and video).
bool videoTerminal() {
    if (::isatty(STDOUT_FILENO) == 0) return false;
    const char* term = std::getenv("TERM");
    return term != nullptr && *term != '\0' && std::string_view(term) != "dumb";
}

enum class RunEnd { kDone, kInterrupted, kStepLimit, kLeave, kHangup };

class Session : public ShellServices {
  public:
    explicit Session(const InteractiveOptions& options)
        : options_(options), terminalIn_(::isatty(STDIN_FILENO) != 0), ansi_(videoTerminal()) {}

    ~Session() override {
        if (editLine_ != nullptr) el_end(editLine_);
        if (history_ != nullptr) history_end(history_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    int run();

    // ShellServices: the file keys ask for a file name at the prompt.
    void saveProgramFile(CalcEngine& engine) override {
        const std::string path = askFileName("save registers and program as (.kv): ");
        if (!path.empty()) say(saveUserFile(engine, path).message);
    }
    void openProgramFile(CalcEngine& engine) override {
        const std::string path = askFileName("load the program file (.kv or .kvs): ");
        if (!path.empty()) say(loadUserFile(engine, path).message);
    }
    void writeListing(CalcEngine& engine) override {
        const std::string path = askFileName("write the listing to: ");
        if (path.empty()) return;
        const SaveResult written = writeListingFile(engine, expandHome(path));
        say(written.ok ? "listing written to " + path : "cannot write " + written.message);
    }
    void showSystemError(const std::string& caption, const std::string& message) override {
        say(caption + ": " + message);
    }
    // Said once, after the line that could not go into the file; the paper on the terminal
    // goes on.
    bool printerFileFailed(const std::string& path, const std::string& reason) override {
        if (!printerWarned_)
            printerWarning_ = "cannot write printer file '" + path + "': " + reason;
        printerWarned_ = true;
        return false;
    }

  private:
    static char* promptOf(EditLine* editLine) { return sessionOf(editLine)->prompt_.data(); }
    static unsigned char completeKey(EditLine* editLine, int);
    static int readCharacter(EditLine* editLine, wchar_t* character);
    static Session* sessionOf(EditLine* editLine) {
        void* data = nullptr;
        el_get(editLine, EL_CLIENTDATA, &data);
        return static_cast<Session*>(data);
    }

    bool start();
    void setUpEditing();
    void say(const std::string& text);
    void showDisplay();
    void printed(std::u16string_view line);
    void sayPrinterWarning();
    void handleLine(const std::string& line);
    void handleCommand(const std::string& line);
    RunEnd pressKeys(const std::vector<int>& codes);
    RunEnd runProgram();
    void drawStatus(const std::string& text);
    void clearStatus();
    std::string askFileName(const std::string& prompt);
    void remember(const std::string& line);
    bool keepSession();
    bool sayIfFailed(const std::string& what, const SaveResult& saved);

    InteractiveOptions options_;
    std::unique_ptr<CalcEngine> engine_ = std::make_unique<CalcEngine>();
    bool terminalIn_;
    bool ansi_;
    EditLine* editLine_ = nullptr;
    History* history_ = nullptr;
    std::string historyFile_;
    bool historyWarned_ = false;
    bool printerWarned_ = false;
    std::string printerWarning_;  // to be said after the printed line it belongs to
    std::string prompt_ = "korvelce> ";
    bool askingFile_ = false;
    bool second_ = false;  // the 2nd key is down for the next key
    bool statusShown_ = false;
    bool leaving_ = false;  // a command or the second Ctrl-C asked to leave
    bool leaveWithoutSaving_ = false;
    int module_ = kMasterModule;
    sigset_t openMask_{};  // the signal mask while waiting for a key or running
};

void Session::say(const std::string& text) {
    clearStatus();
    std::fputs(text.c_str(), stdout);
    if (text.empty() || text.back() != '\n') std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Session::showDisplay() {
    sayPrinterWarning();
    say(engineDisplayLine(*engine_, second_, ansi_));
}

void Session::sayPrinterWarning() {
    if (printerWarning_.empty()) return;
    say(printerWarning_);
    printerWarning_.clear();
}

// The engine writes the printer file; every line is shown on the terminal as paper as well.
// A file that cannot be opened is reported before its line is printed: the report waits
// until the line is shown.
void Session::printed(std::u16string_view line) {
    say(paperLine(line));
    sayPrinterWarning();
}

void Session::drawStatus(const std::string& text) {
    if (!ansi_) return;
    std::fputs(("\r\x1b[K" + text).c_str(), stdout);
    std::fflush(stdout);
    statusShown_ = true;
}

void Session::clearStatus() {
    if (!statusShown_) return;
    std::fputs("\r\x1b[K", stdout);
    statusShown_ = false;
}

unsigned char Session::completeKey(EditLine* editLine, int) {
    Session* session = sessionOf(editLine);
    const LineInfo* info = el_line(editLine);
    const std::string before(info->buffer, static_cast<std::size_t>(info->cursor - info->buffer));
    // At a file-name prompt the whole line is a file name.
    const std::string lead = session->askingFile_ ? ":load " : "";
    const Completion completion = completeWord(lead + before);
    const std::string word = (lead + before).substr(completion.start);
    if (completion.replacement != word) {
        el_deletestr(editLine, static_cast<int>(textWidth(word)));
        el_insertstr(editLine, completion.replacement.c_str());
    }
    if (completion.whole) el_insertstr(editLine, " ");
    if (completion.choices.size() > 1 && completion.replacement == word) {
        std::size_t width = 0;
        for (const std::string& choice : completion.choices)
            width = std::max(width, textWidth(choice) + 2);
        const std::size_t perLine =
            std::max<std::size_t>(1, static_cast<std::size_t>(terminalColumns()) / width);
        std::string list = "\n";
        for (std::size_t i = 0; i < completion.choices.size(); ++i) {
            const bool last = (i + 1) % perLine == 0 || i + 1 == completion.choices.size();
            list += last ? completion.choices[i] + "\n" : padRight(completion.choices[i], width);
        }
        std::fputs(list.c_str(), stdout);
        std::fflush(stdout);
        return CC_REDISPLAY;
    }
    if (completion.choices.empty() && !completion.whole && completion.replacement == word)
        return CC_REFRESH_BEEP;
    return CC_REFRESH;
}

// Reads one character for the line editor. The wait lets the watched signals in, so that a
// Ctrl-C or a hang-up ends it (-1, as a read error) however soon after the last key it came.
int Session::readCharacter(EditLine* editLine, wchar_t* character) {
    const Session* session = sessionOf(editLine);
    std::mbstate_t state{};
    while (true) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        if (::ppoll(&input, 1, nullptr, &session->openMask_) < 0) {
            if (errno != EINTR) return -1;
            // The line editor's own handler passes the signal on to ours by raising it again;
            // it is taken in here before the flags are read.
            sigset_t blocked;
            sigprocmask(SIG_SETMASK, &session->openMask_, &blocked);
            sigprocmask(SIG_SETMASK, &blocked, nullptr);
            if (gInterrupts != 0 || gHangup != 0) return -1;
            continue;  // a window size change or a return from the background
        }
        char byte = 0;
        const ssize_t n = ::read(STDIN_FILENO, &byte, 1);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return -1;
        }
        if (n == 0) return 0;
        wchar_t decoded = 0;
        const std::size_t used = std::mbrtowc(&decoded, &byte, 1, &state);
        if (used == static_cast<std::size_t>(-2)) continue;  // more bytes of the character
        if (used == static_cast<std::size_t>(-1)) {
            // Not text in this locale: the byte as it is.
            state = std::mbstate_t{};
            decoded = static_cast<wchar_t>(static_cast<unsigned char>(byte));
        }
        *character = decoded;
        return 1;
    }
}

void Session::setUpEditing() {
    std::setlocale(LC_CTYPE, "");
    editLine_ = el_init("korvelce", stdin, stdout, stderr);
    if (editLine_ == nullptr) return;
    el_set(editLine_, EL_CLIENTDATA, static_cast<void*>(this));
    el_set(editLine_, EL_PROMPT, &Session::promptOf);
    el_set(editLine_, EL_EDITOR, "emacs");
    el_set(editLine_, EL_SIGNAL, 1);
    el_set(editLine_, EL_GETCFN, &Session::readCharacter);
    // The wide form keeps the two names as given (the narrow one copies them and never frees
    // the copies).
    el_wset(editLine_, EL_ADDFN, L"korvelce-complete", L"Complete a key, a command or a file name",
            &Session::completeKey);
    el_set(editLine_, EL_BIND, "^I", "korvelce-complete", nullptr);
    history_ = history_init();
    if (history_ != nullptr) {
        HistEvent event{};
        history(history_, &event, H_SETSIZE, 1000);
        history(history_, &event, H_SETUNIQUE, 1);
        el_set(editLine_, EL_HIST, history, history_);
        // Lines read from a file or a pipe are not the user's history.
        if (terminalIn_) {
            historyFile_ = historyPath();
            if (!historyFile_.empty()) history(history_, &event, H_LOAD, historyFile_.c_str());
        }
    }
    // The user's own key bindings, from ~/.editrc.
    el_source(editLine_, nullptr);
}

void Session::remember(const std::string& line) {
    if (history_ == nullptr || line.find_first_not_of(" \t") == std::string::npos) return;
    HistEvent event{};
    history(history_, &event, H_ENTER, line.c_str());
    if (historyFile_.empty()) return;
    // Written whole after every line, to a temporary file renamed over the old one, so that a
    // lost connection loses no history and a failed write leaves the old file.
    makeFolderFor(historyFile_);
    const std::filesystem::path path = historyFile_;
    std::string temporary = (path.parent_path() / ".history.korvelce-XXXXXX").string();
    const int fd = ::mkstemp(temporary.data());
    bool ok = fd >= 0;
    if (fd >= 0) ::close(fd);
    ok = ok && history(history_, &event, H_SAVE, temporary.c_str()) >= 0 &&
         std::rename(temporary.c_str(), historyFile_.c_str()) == 0;
    if (!ok) {
        const int why = errno;
        if (fd >= 0) ::unlink(temporary.c_str());
        if (!historyWarned_)
            say("history not kept: cannot write " + historyFile_ + ": " + std::strerror(why));
        historyWarned_ = true;
    }
}

std::string Session::askFileName(const std::string& prompt) {
    if (editLine_ == nullptr) return {};
    const std::string saved = prompt_;
    prompt_ = prompt;
    askingFile_ = true;
    int count = 0;
    const char* raw = el_gets(editLine_, &count);
    askingFile_ = false;
    prompt_ = saved;
    if (raw == nullptr) {
        // Ctrl-C or Ctrl-D cancels, as the dialog's Cancel does.
        gInterrupts = 0;
        say("");
        return {};
    }
    std::string name(raw);
    while (!name.empty() && (name.back() == '\n' || name.back() == ' ' || name.back() == '\t'))
        name.pop_back();
    const std::size_t first = name.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : name.substr(first);
}

bool Session::sayIfFailed(const std::string& what, const SaveResult& saved) {
    if (saved.ok) return true;
    say("cannot keep " + what + ": " + saved.message);
    return false;
}

bool Session::keepSession() {
    sayPrinterWarning();
    bool ok = true;
    if (!options_.sessionPath.empty()) {
        makeFolderFor(options_.sessionPath);
        ok = sayIfFailed("the session", saveMemoryImage(*engine_, options_.sessionPath)) && ok;
    }
    if (!options_.savePath.empty())
        ok = sayIfFailed("the memory image", saveMemoryImage(*engine_, options_.savePath)) && ok;
    return ok;
}

bool Session::start() {
    engine_->setShellServices(this);
    engine_->printerObserver = [this](std::u16string_view line) { printed(line); };
    // "-" puts the paper on the terminal alone, as no printer file does.
    if (options_.printerPath != "-") engine_->printerPath = options_.printerPath;
    const std::string& session = options_.sessionPath;
    std::error_code error;
    const bool resumed = !session.empty() && std::filesystem::exists(session, error);
    if (resumed) {
        std::string why;
        if (!loadMemoryImage(*engine_, session, &why)) {
            std::fprintf(stderr, "korvelce-cli: cannot read the session '%s': %s\n",
                         session.c_str(), why.c_str());
            return false;
        }
    }
    if (!options_.loadPath.empty()) {
        std::string why;
        if (!loadMemoryImage(*engine_, options_.loadPath, &why)) {
            std::fprintf(stderr, "korvelce-cli: cannot read memory image '%s': %s\n",
                         options_.loadPath.c_str(), why.c_str());
            return false;
        }
    }
    // A module is always plugged in, as on the calculator.
    module_ = options_.module != 0 ? options_.module : kMasterModule;
    const FileResult module = loadModule(*engine_, module_);
    if (!module.ok) say(module.message);
    openMask_ = installHandlers();
    setUpEditing();
    if (terminalIn_) {
        std::string banner =
            "Korvelce: type keys (2 + 3 * 4 =), :help for the keys and commands, Ctrl-D to "
            "leave.";
        if (!session.empty())
            banner += resumed ? "\nSession resumed from " + session + "; kept there on leaving."
                              : "\nNew session; kept in " + session + " on leaving.";
        say(banner);
    }
    return true;
}

RunEnd Session::runProgram() {
    const EchoOff echoOff;
    gInterrupts = 0;
    const SignalsOpen signalsOpen(openMask_);
    const Clock::time_point started = Clock::now();
    Clock::time_point lastStatus = started;
    std::int64_t steps = 0;
    bool stopAsked = false;
    RunEnd end = RunEnd::kDone;
    int stopSteps = 0;
    while (engine_->mode == kRun) {
        if (gHangup != 0) return RunEnd::kHangup;
        if (gInterrupts >= 2) return RunEnd::kLeave;
        if (!stopAsked && (gInterrupts >= 1 || steps >= options_.maxSteps)) {
            // As R/S does: the run ends once an instruction collecting its operand completes.
            end = gInterrupts >= 1 ? RunEnd::kInterrupted : RunEnd::kStepLimit;
            engine_->userRunStop();
            stopAsked = true;
            continue;
        }
        if (stopAsked && ++stopSteps > kStopSteps) {
            engine_->mode = kCalculate;
            break;
        }
        const std::int64_t slice = stopAsked ? 1 : std::min(kSliceSteps, options_.maxSteps - steps);
        steps += runSlice(*engine_, slice);
        const Clock::time_point now = Clock::now();
        if (engine_->pauseRequest != 0 && engine_->mode == kRun && ansi_) {
            // PAU shows the display for a moment.
            char buffer[32];
            const int exponent =
                engine_->displayText(buffer, static_cast<int>(sizeof buffer), true);
            drawStatus(displayLine(buffer, exponent != 0, false,
                                   Indicators{false, engine_->invFlag != 0, engine_->angleUnit},
                                   true) +
                       "   (pause)");
            timespec pause{};
            pause.tv_nsec = static_cast<long>(std::chrono::nanoseconds(kPauseTime).count());
            ::nanosleep(&pause, nullptr);
            lastStatus = Clock::now();
        } else if (now - started >= kStatusDelay && now - lastStatus >= kStatusPeriod) {
            drawStatus("  running: " + std::to_string(steps) + " steps (Ctrl-C stops)");
            lastStatus = now;
        }
    }
    clearStatus();
    // The Ctrl-C that stopped the run is spent.
    gInterrupts = 0;
    return end;
}

RunEnd Session::pressKeys(const std::vector<int>& codes) {
    for (std::size_t i = 0; i < codes.size(); ++i) {
        engine_->pressKey(codes[i]);
        if (engine_->mode != kRun) continue;
        const RunEnd end = runProgram();
        if (end == RunEnd::kDone) continue;
        if (end == RunEnd::kInterrupted || end == RunEnd::kStepLimit) {
            std::string message = end == RunEnd::kInterrupted
                                      ? "stopped (R/S continues)"
                                      : "the program ran more than " +
                                            std::to_string(options_.maxSteps) +
                                            " steps; stopped (R/S continues)";
            if (i + 1 < codes.size()) message += "; the keys after it were not pressed";
            say(message);
        }
        return end;
    }
    return RunEnd::kDone;
}

void Session::handleCommand(const std::string& line) {
    const Command command = parseCommand(line);
    switch (command.kind) {
        case CommandKind::kHelp:
            say(helpText());
            break;
        case CommandKind::kState:
            say(stateText(*engine_));
            break;
        case CommandKind::kList:
            say(command.all ? fullListing(*engine_) : listingAround(*engine_, command.number));
            break;
        case CommandKind::kLoad: {
            const FileResult loaded = loadUserFile(*engine_, command.argument);
            say(loaded.message);
            if (loaded.ok) showDisplay();
            break;
        }
        case CommandKind::kSave:
            say(saveUserFile(*engine_, command.argument).message);
            break;
        case CommandKind::kModule:
            if (command.number < 0) {
                say("module " + std::to_string(module_) + " (" + std::string(moduleName(module_)) +
                    ") is in banks 1 to 25; :module 110 or :module 128 changes it");
            } else {
                const FileResult loaded = loadModule(*engine_, command.number);
                if (loaded.ok) module_ = command.number;
                say(loaded.message);
            }
            break;
        case CommandKind::kQuit:
            leaving_ = true;
            break;
        case CommandKind::kQuitNoSave:
            leaving_ = true;
            leaveWithoutSaving_ = true;
            break;
        case CommandKind::kBad:
            say(command.message);
            break;
    }
}

void Session::handleLine(const std::string& line) {
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) {
        showDisplay();
        return;
    }
    if (line[first] == ':') {
        handleCommand(line);
        return;
    }
    const KeyLine keys = parseKeyLine(line, second_);
    if (!keys.ok) {
        say(keys.message);
        return;
    }
    const RunEnd end = pressKeys(keys.codes);
    if (end == RunEnd::kLeave || end == RunEnd::kHangup) {
        leaving_ = true;
        return;
    }
    showDisplay();
}

int Session::run() {
    if (!start()) return 1;
    if (!options_.codes.empty()) {
        const RunEnd end = pressKeys(options_.codes);
        if (end == RunEnd::kLeave || end == RunEnd::kHangup) leaving_ = true;
    }
    if (!leaving_) showDisplay();
    bool interruptedBefore = false;
    while (true) {
        if (gHangup != 0) return keepSession() ? 0 : 1;
        if (leaving_) {
            if (leaveWithoutSaving_ || keepSession()) return 0;
            say("not left: :quit! leaves without keeping it");
            leaving_ = false;
        }
        if (editLine_ == nullptr) return keepSession() ? 0 : 1;
        int count = 0;
        const char* raw = el_gets(editLine_, &count);
        if (raw == nullptr && count < 0) {
            if (gHangup != 0) continue;
            // Not a Ctrl-C: the input cannot be read any more (the terminal is gone).
            if (gInterrupts == 0) return keepSession() ? 0 : 1;
            gInterrupts = 0;
            // Ctrl-C drops the line being typed; on an empty line, twice in a row, it leaves.
            const LineInfo* info = el_line(editLine_);
            const bool empty = info->lastchar == info->buffer;
            say("");
            if (empty && interruptedBefore) {
                leaving_ = true;
            } else if (empty) {
                say("(Ctrl-C again, :quit or Ctrl-D leaves)");
                interruptedBefore = true;
            }
            continue;
        }
        interruptedBefore = false;
        if (raw == nullptr) {
            // Ctrl-D, or the end of the input.
            if (terminalIn_) say("");
            if (keepSession()) return 0;
            if (!terminalIn_) return 1;
            say("not left: :quit! leaves without keeping it");
            continue;
        }
        std::string line(raw);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (terminalIn_) remember(line);
        handleLine(line);
    }
}

}  // namespace

int runInteractive(const InteractiveOptions& options) {
    Session session(options);
    return session.run();
}

}  // namespace korvelce
