#include "files/memory_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>

#include "engine/calc_engine.h"
#include "files/read_input.h"

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
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
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

bool loadMemoryImage(CalcEngine& engine, const std::string& path, std::string* why) {
    // Only the first 2600 bytes can matter, whatever the input's size; a pipe or standard
    // input ("-") is read exactly as a file with the same bytes.
    InputRead read = readWholeInput(path, kImageSize);
    if (!read.bytes) {
        if (why != nullptr) *why = read.message;
        return false;
    }
    const std::vector<std::uint8_t> bytes(read.bytes->begin(), read.bytes->end());
    // An empty file changes nothing.
    applyMemoryImage(engine, bytes);
    return true;
}

namespace {

// The file a save must change: path itself, or the end of its chain of symbolic links, so
// that a link keeps pointing at the saved data. A link that leads nowhere names the file to
// create.
std::string resolvedTarget(const std::string& path) {
    std::filesystem::path current = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!std::filesystem::is_symlink(current, error)) return current.string();
        const std::filesystem::path next = std::filesystem::read_symlink(current, error);
        if (error) return current.string();
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current.string();
}

// The temporary file beside target: hidden, and named so that its origin is clear.
std::string temporaryName(const std::string& target) {
    const std::filesystem::path path = target;
    const std::filesystem::path folder = path.parent_path();
    std::string name(1, '.');
    name.append(path.filename().string()).append(".korvelce-XXXXXX");
    return folder.empty() ? name : (folder / name).string();
}

SaveResult refused(const std::string& path, const std::string& reason) {
    return SaveResult{false, path + ": " + reason};
}

}  // namespace

SaveResult writeFileReplacing(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const std::string target = resolvedTarget(path);

    // An existing file must be a regular file the user may write; its permission bits (and,
    // where allowed, its owner) carry over to the new contents.
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) return failure(target);
    if (exists) {
        if (S_ISDIR(existing.st_mode)) return refused(target, "it is a folder");
        if (!S_ISREG(existing.st_mode)) return refused(target, "it is not a regular file");
        // Root may write anything: a file without any write permission still counts as
        // read-only, as the user meant it to be.
        if (::access(target.c_str(), W_OK) != 0 || (existing.st_mode & 0222) == 0)
            return refused(target, "the file is read-only");
    }

    std::string temp = temporaryName(target);
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return failure(target);
    auto abandon = [&](const SaveResult& result) {
        ::close(fd);
        ::unlink(temp.c_str());
        return result;
    };
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return abandon(failure(target));
        }
        written += static_cast<std::size_t>(n);
    }
    mode_t mode = 0;
    if (exists) {
        mode = existing.st_mode & 07777;
        // Only root can give the file back to another owner; anyone else keeps it.
        if ((existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) &&
            ::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
            // Not allowed: the saved file stays the saver's, with the same permission bits.
        }
    } else {
        // mkstemp makes the file private; give it the permissions a new file would have.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) return abandon(failure(target));
    if (::close(fd) != 0) {
        SaveResult result = failure(target);
        ::unlink(temp.c_str());
        return result;
    }
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        SaveResult result = failure(target);
        ::unlink(temp.c_str());
        return result;
    }
    return {};
}

SaveResult saveMemoryImage(const CalcEngine& engine, const std::string& path) {
    return writeFileReplacing(path, memoryImageBytes(engine));
}

}  // namespace korvelce
