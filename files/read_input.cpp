#include "files/read_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvelce {

namespace {

InputRead failed(const std::string& message) {
    InputRead result;
    result.message = message;
    return result;
}

std::string systemReason() {
    return std::strerror(errno);
}

}  // namespace

InputRead readWholeInput(const std::string& path, std::size_t limit) {
    const bool standardInput = path == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return failed(systemReason());
    struct FdCloser {
        int fd;
        bool owned;
        ~FdCloser() {
            if (owned) ::close(fd);
        }
    } closer{fd, !standardInput};

    // Everything but a folder is read as a stream: one probe of the kind, no second open.
    struct stat info {};
    if (::fstat(fd, &info) != 0) return failed(systemReason());
    if (S_ISDIR(info.st_mode)) return failed("it is a folder");

    std::string bytes;
    char buffer[65536];
    for (;;) {
        const std::size_t room = limit + 1 - bytes.size();
        const ssize_t n = ::read(fd, buffer, room < sizeof buffer ? room : sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return failed(systemReason());
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > limit) break;
    }
    InputRead result;
    result.truncated = bytes.size() > limit;
    if (result.truncated) bytes.resize(limit);
    result.bytes = std::move(bytes);
    return result;
}

std::optional<std::string> readWholeFile(const std::string& path) {
    InputRead read = readWholeInput(path);
    if (read.truncated) return std::nullopt;
    return std::move(read.bytes);
}

}  // namespace korvelce
