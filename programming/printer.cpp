// The 20-column printer: its paper is a UTF-16LE text file that every print appends to.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "decimal/number_text.h"
#include "engine/calc_engine.h"
#include "engine/shell_services.h"
#include "programming/char_table.h"
#include "programming/step_forms.h"
#include "programming/text_encoding.h"

namespace korvelce {

namespace {

constexpr int kColumns = 20;

// Diagnostics of the alpha printing, on standard error when KORVELCE_DEBUG is set.
void debugLine(const std::string& line) {
    if (std::getenv("KORVELCE_DEBUG") != nullptr) std::fputs(line.c_str(), stderr);
}

// The printer file, opened once for one or more lines; a byte-order mark starts a new file.
class PrinterFile {
  public:
    explicit PrinterFile(const std::string& path) {
        if (path.empty()) return;
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            failure_ = std::strerror(errno);
            return;
        }
        struct stat info {};
        if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
            failure_ = "not a regular file";
            ::close(fd_);
            fd_ = -1;
            return;
        }
        if (info.st_size == 0) write(u"\xFEFF");
    }
    ~PrinterFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    PrinterFile(const PrinterFile&) = delete;
    PrinterFile& operator=(const PrinterFile&) = delete;

    [[nodiscard]] bool isOpen() const { return fd_ >= 0; }
    // The system's description of what went wrong; empty while nothing did.
    [[nodiscard]] const std::string& failure() const { return failure_; }

    // False when the text did not reach the file.
    bool write(std::u16string_view text) {
        if (fd_ < 0) return false;
        std::string bytes;
        bytes.reserve(text.size() * 2);
        for (const char16_t c : text) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                // A full disk drops the rest, like a printer out of paper.
                failure_ = n < 0 ? std::strerror(errno) : "nothing could be written";
                ::close(fd_);
                fd_ = -1;
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

  private:
    int fd_ = -1;
    std::string failure_;
};

// Lines for one print operation: to the sink, or to the file opened once for all of them. A
// file that cannot be opened or written is reported to the front end once per operation.
class PrintJob {
  public:
    explicit PrintJob(CalcEngine& engine) : engine_(engine) {
        if (engine.printerSink) return;
        file_.emplace(engine.printerPath);
        if (file_->isOpen() || engine.printerPath.empty()) return;
        // The front end may make the file reachable (its folder was missing): one more try.
        if (report()) {
            file_.emplace(engine.printerPath);
            if (file_->isOpen()) return;
            report();
        }
        reported_ = true;
    }
    void line(std::u16string_view text) {
        if (engine_.printerObserver) engine_.printerObserver(text);
        if (engine_.printerSink) {
            engine_.printerSink(text);
            return;
        }
        if (!file_->write(text) && !reported_ && !engine_.printerPath.empty()) {
            reported_ = true;
            report();
        }
    }

  private:
    bool report() {
        return engine_.shell != nullptr &&
               engine_.shell->printerFileFailed(engine_.printerPath, file_->failure());
    }

    CalcEngine& engine_;
    std::optional<PrinterFile> file_;
    bool reported_ = false;
};

std::string formatted(const char* format, const char* text, int number = 0) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, text, number);
    return buffer;
}

}  // namespace

void CalcEngine::printLine(std::u16string_view text) {
    PrintJob(*this).line(text);
}

void CalcEngine::printValue(const DecNumber& value) {
    const NumberTextResult text = numberText(value, fixDigits, displayFormat);
    const char mark = errorFlag != 0 ? '?' : ' ';
    char line[64];
    std::snprintf(line, sizeof line, text.hasExponent ? "%15s%c\r\n" : "%12s%c\r\n",
                  text.text.c_str(), mark);
    printLine(toUtf16(line));
}

void CalcEngine::listRegisters(std::int64_t first) {
    if (first >= kRegisters) return;
    PrintJob job(*this);
    for (std::int64_t i = first < 0 ? 0 : first; i < kRegisters; ++i) {
        const NumberTextResult text =
            numberText(registers[static_cast<std::size_t>(i)], fixDigits, displayFormat);
        job.line(toUtf16(formatted(text.hasExponent ? "%15s%5d\r\n" : "%12s%8d\r\n",
                                   text.text.c_str(), static_cast<int>(i))));
    }
}

void CalcEngine::resetPrinter() {
    alphaLine.fill(u' ');
}

void CalcEngine::setAlphaBlock(const DecNumber& value, int block) {
    if (block < 1 || block > 4) return;
    const int firstColumn = 5 * (block - 1);  // zero-based
    debugLine(
        formatted("SetAlpha(%s, %d)\n", numberText(value, fixDigits, 0).text.c_str(), firstColumn));
    // Only the last ten digits of the scaled integer part become characters, so they are
    // worked out exactly without forming a product that could overflow.
    constexpr std::int64_t kTenDigits = 10000000000;
    const DecNumber magnitude = value.absolute().integerPart();
    const int shift = magnitude.exponent - 12 + (fixDigits < 9 ? fixDigits : 0);
    std::int64_t v = 0;
    if (!magnitude.isZero() && shift < 10) {
        if (shift >= 0) {
            v = (magnitude.mantissa % powerOfTen(10 - shift)) * powerOfTen(shift);
        } else {
            v = (magnitude.mantissa / powerOfTen(-shift)) % kTenDigits;
        }
    }
    for (int j = 0; j < 5; ++j) {
        alphaLine[static_cast<std::size_t>(firstColumn + 4 - j)] =
            alphaCharacter(static_cast<int>(v % 100));
        v /= 100;
    }
}

void CalcEngine::printAlphaLine() {
    const std::u16string_view line(alphaLine.data(), alphaLine.size());
    debugLine("PrintAlpha: " + toUtf8(line) + "\n");
    printLine(std::u16string(line) + u"\r\n");
}

void CalcEngine::printValueWithAlpha(const DecNumber& value) {
    const NumberTextResult text = numberText(value, fixDigits, displayFormat);
    char columns[64];
    std::snprintf(columns, sizeof columns, text.hasExponent ? "%15s" : "%12s   ",
                  text.text.c_str());
    // Columns 1 to 15 hold the value, whatever its length; 16 is blank; 17 to 20 stay.
    for (std::size_t i = 0; i < 15; ++i)
        alphaLine[i] = columns[i] != '\0' ? static_cast<char16_t>(columns[i]) : u' ';
    alphaLine[15] = u' ';
    printLine(std::u16string(alphaLine.data(), alphaLine.size()) + u"\r\n");
}

void CalcEngine::plotStar(const DecNumber& value) {
    const std::int64_t column = value.toInteger();
    if (column < 0 || column >= kColumns) {
        errorFlag = 1;
        return;
    }
    std::u16string line(kColumns, u' ');
    line[static_cast<std::size_t>(column)] = u'*';
    printLine(line + u"\r\n");
}

void CalcEngine::listLabels() {
    if (currentBank < 0 || currentBank >= kBanks) return;
    const ProgramBank& bank = programMemory[static_cast<std::size_t>(currentBank)];
    PrintJob job(*this);
    for (int s = programCounter < 0 ? 0 : programCounter; s < kSteps;) {
        const int code = bank[static_cast<std::size_t>(s)];
        if (code == key::kLbl && s < kSteps - 1) {
            const int label = bank[static_cast<std::size_t>(s) + 1];
            char line[64];
            std::snprintf(line, sizeof line, "%03d %02d %s\r\n", s + 1, label,
                          std::string(mnemonic(label)).c_str());
            job.line(toUtf16(line));
            ++s;  // the label step itself is examined next
            continue;
        }
        s += static_cast<int>(instructionSteps(bank, s).size());
    }
}

}  // namespace korvelce
