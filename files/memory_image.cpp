#include "files/memory_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "engine/calc_engine.h"

namespace korvelce {

namespace {

constexpr std::size_t kRecordBytes = 16;
constexpr std::size_t kRegisterBytes = kRegisters * kRecordBytes;  // 1600
constexpr std::size_t kOldRegisterBytes = kRegisters * 8;          // 800

DecNumber recordAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    DecimalRecord record{};
    for (std::size_t i = 0; i < kRecordBytes; ++i)
        record[i] = bytes[offset + i];
    // A record from a file may hold any bits: bring it to 13 digits so arithmetic and
    // comparisons see a well-formed number.
    const DecNumber raw = DecNumber::fromRecord(record);
    return DecNumber::fromRaw(raw.mantissa, raw.exponent);
}

// A register never holds a value outside the calculator's range: one from a damaged file (or a
// double without a calculator value: infinity, not-a-number, a denormal) is clamped to the
// nearest limit, as every computed value is. Left alone, RCL would show it unlimited.
DecNumber inRange(DecNumber value) {
    value.limitRange();
    return value;
}

double doubleAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 8; ++i)
        bits |= static_cast<std::uint64_t>(bytes[offset + i]) << (8 * i);
    return std::bit_cast<double>(bits);
}

SaveResult failure(const std::string& what) {
    return SaveResult{false, what + ": " + std::strerror(errno)};
}

}  // namespace

std::vector<std::uint8_t> memoryImageBytes(const CalcEngine& engine) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kImageSize);
    for (const auto& value : engine.registers) {
        const DecimalRecord record = value.toRecord();
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    bytes.insert(bytes.end(), engine.programMemory[0].begin(), engine.programMemory[0].end());
    return bytes;
}

void applyMemoryImage(CalcEngine& engine, const std::vector<std::uint8_t>& bytes) {
    const bool old = bytes.size() == kOldImageSize;
    const std::size_t registerBytes = old ? kOldRegisterBytes : kRegisterBytes;
    const std::size_t width = old ? 8 : kRecordBytes;
    for (std::size_t r = 0; r < kRegisters; ++r) {
        const std::size_t offset = r * width;
        if (offset + width > bytes.size()) break;
        engine.registers[r] =
            inRange(old ? DecNumber::fromDouble(doubleAt(bytes, offset)) : recordAt(bytes, offset));
    }
    for (std::size_t s = 0; s < kSteps && registerBytes + s < bytes.size(); ++s)
        engine.programMemory[0][s] = bytes[registerBytes + s];
    engine.returnDepth = 0;
    engine.programCounter = 0;
}

bool loadMemoryImage(CalcEngine& engine, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    // Only the first 2600 bytes can matter, whatever the file's size.
    std::vector<std::uint8_t> bytes(kImageSize + 1);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) return false;
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    // A directory opens but reads nothing; an empty file changes nothing either.
    applyMemoryImage(engine, bytes);
    return true;
}

SaveResult writeFileReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return failure(path);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            SaveResult result = failure(path);
            ::close(fd);
            ::unlink(temp.c_str());
            return result;
        }
        written += static_cast<std::size_t>(n);
    }
    // mkstemp makes the file private; give it the permissions a new file would have.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fsync(fd) != 0 || ::fchmod(fd, 0666 & ~mask) != 0) {
        SaveResult result = failure(path);
        ::close(fd);
        ::unlink(temp.c_str());
        return result;
    }
    if (::close(fd) != 0) {
        SaveResult result = failure(path);
        ::unlink(temp.c_str());
        return result;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        SaveResult result = failure(path);
        ::unlink(temp.c_str());
        return result;
    }
    return {};
}

SaveResult saveMemoryImage(const CalcEngine& engine, const std::string& path) {
    return writeFileReplacing(path, memoryImageBytes(engine));
}

}  // namespace korvelce
