// The memory image: registers and user program memory in files of 2600 bytes (records) or
// 1800 bytes (doubles), loading over a running engine, saving without losing the old file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cli/run_keys.h"
#include "engine/calc_engine.h"
#include "files/memory_image.h"
#include "support/key_sequence.h"
#include "support/temp_folder.h"

namespace korvelce {
namespace {

namespace fs = std::filesystem;

class TempFolder {
  public:
    TempFolder() { path_ = test::freshTempFolder("korvelce-image"); }
    ~TempFolder() { fs::remove_all(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    [[nodiscard]] fs::path operator/(const std::string& name) const { return path_ / name; }
    [[nodiscard]] const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

std::vector<std::uint8_t> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

void putRecord(std::vector<std::uint8_t>& bytes, std::size_t offset, std::int64_t mantissa,
               std::int16_t exponent) {
    const auto m = static_cast<std::uint64_t>(mantissa);
    for (std::size_t i = 0; i < 8; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(m >> (8 * i));
    const auto e = static_cast<std::uint16_t>(exponent);
    bytes[offset + 8] = static_cast<std::uint8_t>(e & 0xFF);
    bytes[offset + 9] = static_cast<std::uint8_t>(e >> 8);
}

void putDouble(std::vector<std::uint8_t>& bytes, std::size_t offset, double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (std::size_t i = 0; i < 8; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

std::vector<std::uint8_t> fullImage() {
    std::vector<std::uint8_t> bytes(kImageSize, 0);
    for (std::size_t s = 0; s < 1000; ++s)
        bytes[1600 + s] = static_cast<std::uint8_t>((s * 7) % 100);
    return bytes;
}

TEST(MemoryImage, FullImageRoundTrip) {
    TempFolder folder;
    CalcEngine engine;
    for (int r = 0; r < kRegisters; ++r) {
        // Values of every kind: positive, negative, tiny, huge, zero.
        const std::int64_t mantissa = (r % 2 == 0 ? 1 : -1) * (1000000000000 + r * 12345678901);
        engine.registers[static_cast<std::size_t>(r)] =
            r % 10 == 0 ? DecNumber{} : DecNumber{mantissa, static_cast<std::int16_t>(r - 50)};
    }
    for (int s = 0; s < kSteps; ++s)
        engine.programMemory[0][static_cast<std::size_t>(s)] = static_cast<std::uint8_t>(s % 100);
    const fs::path path = folder / "full.kv";
    ASSERT_TRUE(saveMemoryImage(engine, path.string()).ok);

    const std::vector<std::uint8_t> bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 2600u);
    // Register 01 (-1.012345678901e-49) at offset 16, little-endian; step 999 (code 99) is the
    // last byte.
    std::int64_t mantissa = 0;
    for (std::size_t i = 0; i < 8; ++i)
        mantissa |= static_cast<std::int64_t>(static_cast<std::uint64_t>(bytes[16 + i]) << (8 * i));
    EXPECT_EQ(mantissa, engine.registers[1].mantissa);
    EXPECT_EQ(static_cast<std::int16_t>(bytes[24] | (bytes[25] << 8)), -49);
    EXPECT_EQ(bytes[1600 + 999], 99);

    CalcEngine loaded;
    ASSERT_TRUE(loadMemoryImage(loaded, path.string()));
    for (std::size_t r = 0; r < kRegisters; ++r) {
        EXPECT_EQ(loaded.registers[r].mantissa, engine.registers[r].mantissa) << "R" << r;
        EXPECT_EQ(loaded.registers[r].exponent, engine.registers[r].exponent) << "R" << r;
    }
    EXPECT_EQ(loaded.programMemory[0], engine.programMemory[0]);
}

// The older image holds doubles; each is truncated to 13 digits.
TEST(MemoryImage, OldImageOfDoubles) {
    struct Case {
        double value;
        std::int64_t mantissa;
        int exponent;
    };
    const Case cases[] = {
        {0.7, 6999999999999, -1},  // the double below 0.7 (0.69999999999999995559...)
        {0.1, 1000000000000, -1},  // the double above 0.1
        {1.0 / 3.0, 3333333333333, -1},
        {-2.25, -2250000000000, 0},
        {123456.789, 1234567890000, 5},
        {0.0009765625, 9765625000000, -4},  // 2^-10, exact
        {0.0, 0, 0},
    };
    std::vector<std::uint8_t> bytes(kOldImageSize, 0);
    std::size_t r = 0;
    for (const auto& c : cases)
        putDouble(bytes, 8 * r++, c.value);
    for (std::size_t s = 0; s < 1000; ++s)
        bytes[800 + s] = static_cast<std::uint8_t>(99 - s % 100);

    CalcEngine engine;
    engine.registers[99] = DecNumber::fromInt(5);  // a zero double replaces it
    applyMemoryImage(engine, bytes);
    r = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(engine.registers[r].mantissa, c.mantissa) << c.value;
        EXPECT_EQ(engine.registers[r].exponent, c.exponent) << c.value;
        ++r;
    }
    EXPECT_TRUE(engine.registers[99].isZero());
    EXPECT_EQ(engine.programMemory[0][0], 99);
    EXPECT_EQ(engine.programMemory[0][999], 0);
    EXPECT_EQ(engine.programMemory[0][1], 98);
}

// Doubles without a calculator value, or outside its range, come in as the nearest limit.
TEST(MemoryImage, OldImageOutsideTheRange) {
    struct Case {
        double value;
        std::int64_t mantissa;
        int exponent;
    };
    const Case cases[] = {
        {std::numeric_limits<double>::infinity(), 9999999900000, 99},
        {-std::numeric_limits<double>::infinity(), -9999999900000, 99},
        {std::numeric_limits<double>::quiet_NaN(), 9999999900000, 99},
        {1e150, 9999999900000, 99},
        {-2.5e-300, -1000000000000, -99},
        {std::numeric_limits<double>::denorm_min(), 1000000000000, -99},
        {9.9999999e99, 9999999900000, 99},  // the largest value itself is in range
    };
    std::vector<std::uint8_t> bytes(kOldImageSize, 0);
    std::size_t r = 0;
    for (const auto& c : cases)
        putDouble(bytes, 8 * r++, c.value);
    CalcEngine engine;
    applyMemoryImage(engine, bytes);
    r = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(engine.registers[r].mantissa, c.mantissa) << c.value;
        EXPECT_EQ(engine.registers[r].exponent, c.exponent) << c.value;
        ++r;
    }
    test::press(engine, "RCL 01");
    EXPECT_EQ(engine.displayText(), "-9.9999999 99");
}

TEST(MemoryImage, RegisterRecordsAreNormalised) {
    struct Case {
        std::int64_t mantissa;
        std::int16_t exponent;
        std::int64_t wantMantissa;  // value = mantissa x 10^(exponent - 12)
        int wantExponent;
    };
    const Case cases[] = {
        {5, 0, 5000000000000, -12},                // 5e-12
        {-42, 2, -4200000000000, -9},              // -4.2e-9
        {12345678901234567, 3, 1234567890123, 7},  // surplus digits cut off
        {0, 55, 0, 0},                             // zero has exponent 0
        {std::numeric_limits<std::int64_t>::min(), 0, -9223372036854, 6},
        {std::numeric_limits<std::int64_t>::max(), -20, 9223372036854, -14},
        {1000000000000, 0, 1000000000000, 0},  // already normal
    };
    std::vector<std::uint8_t> bytes = fullImage();
    std::size_t r = 0;
    for (const auto& c : cases)
        putRecord(bytes, 16 * r++, c.mantissa, c.exponent);
    CalcEngine engine;
    applyMemoryImage(engine, bytes);
    r = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(engine.registers[r].mantissa, c.wantMantissa) << c.mantissa << "E" << c.exponent;
        EXPECT_EQ(engine.registers[r].exponent, c.wantExponent) << c.mantissa << "E" << c.exponent;
        ++r;
    }
}

// A mantissa of one digit at the lowest exponent is a tiny number; normalising it must not wrap
// the 16-bit exponent round into a huge one. Both extremes end at the calculator's limits.
TEST(MemoryImage, ExtremeExponentsEndAtTheLimits) {
    struct Case {
        std::int64_t mantissa;
        std::int16_t exponent;
        std::int64_t wantMantissa;
        int wantExponent;
        const char* display;  // after RCL
    };
    const Case cases[] = {
        {1, std::numeric_limits<std::int16_t>::min(), 1000000000000, -99, "1.-99"},
        {-1, std::numeric_limits<std::int16_t>::min(), -1000000000000, -99, "-1.-99"},
        {1234567890123456789, std::numeric_limits<std::int16_t>::max(), 9999999900000, 99,
         "9.9999999 99"},
        {-5000000000000, 100, -9999999900000, 99, "-9.9999999 99"},
        {9999999999999, 99, 9999999900000, 99, "9.9999999 99"},  // beyond the eight nines
        {5000000000000, -100, 1000000000000, -99, "1.-99"},
    };
    std::vector<std::uint8_t> bytes = fullImage();
    std::size_t r = 0;
    for (const auto& c : cases)
        putRecord(bytes, 16 * r++, c.mantissa, c.exponent);
    CalcEngine engine;
    applyMemoryImage(engine, bytes);
    r = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(engine.registers[r].mantissa, c.wantMantissa) << r;
        EXPECT_EQ(engine.registers[r].exponent, c.wantExponent) << r;
        const std::unique_ptr<CalcEngine> fresh = std::make_unique<CalcEngine>();
        fresh->registers[0] = engine.registers[r];
        test::press(*fresh, "RCL 00");
        EXPECT_EQ(fresh->displayText(), c.display) << r;
        EXPECT_EQ(fresh->errorFlag, 0) << r;
        ++r;
    }
}

TEST(MemoryImage, ShortFilesFillOnlyWhatTheyCover) {
    struct Case {
        std::size_t size;
        int registersReplaced;  // whole records covered
        int stepsReplaced;
    };
    const Case cases[] = {
        {0, 0, 0},     {1, 0, 0},      {15, 0, 0},     {16, 1, 0},       {20, 1, 0},
        {1599, 99, 0}, {1600, 100, 0}, {1601, 100, 1}, {2599, 100, 999},
    };
    for (const auto& c : cases) {
        CalcEngine engine;
        for (auto& value : engine.registers)
            value = DecNumber::fromInt(7);
        engine.programMemory[0].fill(55);
        std::vector<std::uint8_t> bytes(c.size, 0);  // zero records, zero steps
        applyMemoryImage(engine, bytes);
        int replaced = 0;
        for (const auto& value : engine.registers)
            replaced += value.isZero() ? 1 : 0;
        EXPECT_EQ(replaced, c.registersReplaced) << c.size << " bytes";
        int steps = 0;
        for (const auto step : engine.programMemory[0])
            steps += step == 0 ? 1 : 0;
        EXPECT_EQ(steps, c.stepsReplaced) << c.size << " bytes";
        // The part not covered keeps its content in order: the first untouched step is 55.
        if (c.stepsReplaced < kSteps) {
            EXPECT_EQ(engine.programMemory[0][static_cast<std::size_t>(c.stepsReplaced)], 55);
        }
    }
}

// Any size other than 1800 is read by the 2600-byte layout; bytes after 2600 are ignored.
TEST(MemoryImage, LongFilesUseTheFirst2600Bytes) {
    TempFolder folder;
    std::vector<std::uint8_t> bytes = fullImage();
    putRecord(bytes, 16 * 3, 4000000000000, 0);
    bytes.resize(1 << 20, 0xEE);  // a megabyte of noise after the image
    const fs::path path = folder / "big.kv";
    writeBytes(path, bytes);
    CalcEngine engine;
    ASSERT_TRUE(loadMemoryImage(engine, path.string()));
    EXPECT_EQ(engine.registers[3], DecNumber::fromInt(4));
    EXPECT_EQ(engine.programMemory[0][1], 7);
    EXPECT_EQ(engine.programMemory[0][999], (999 * 7) % 100);
}

TEST(MemoryImage, StepsAbove99AreKeptAndRunSafely) {
    std::vector<std::uint8_t> bytes = fullImage();
    for (std::size_t s = 0; s < 1000; ++s)
        bytes[1600 + s] = static_cast<std::uint8_t>(100 + s % 156);
    CalcEngine engine;
    applyMemoryImage(engine, bytes);
    EXPECT_EQ(engine.programMemory[0][0], 100);
    EXPECT_EQ(engine.programMemory[0][155], 255);
    // Running such bytes must end (or hit the bound) without leaving the engine's arrays.
    pressAndRun(engine, key::kRunStop, 5000);
    EXPECT_GE(engine.programCounter, 0);
    EXPECT_LT(engine.programCounter, kSteps);
}

TEST(MemoryImage, LoadingKeepsPendingOperationAndDisplay) {
    CalcEngine engine;
    test::press(engine, "7 + 4 *");
    engine.programCounter = 123;
    engine.returnDepth = 3;
    std::vector<std::uint8_t> bytes = fullImage();
    putRecord(bytes, 0, 2000000000000, 0);  // R00 = 2
    applyMemoryImage(engine, bytes);
    EXPECT_EQ(engine.programCounter, 0);
    EXPECT_EQ(engine.returnDepth, 0);
    EXPECT_EQ(engine.displayValue(), DecNumber::fromInt(4));
    // 7 + 4 * R00 = 15: both pending operations survived the load.
    test::press(engine, "RCL 00 =");
    EXPECT_EQ(engine.displayText(), "15.");
}

TEST(MemoryImage, UnreadableFilesChangeNothing) {
    TempFolder folder;
    CalcEngine engine;
    engine.registers[0] = DecNumber::fromInt(9);
    engine.programCounter = 12;
    EXPECT_FALSE(loadMemoryImage(engine, (folder / "missing.kv").string()));
    EXPECT_EQ(engine.registers[0], DecNumber::fromInt(9));
    EXPECT_EQ(engine.programCounter, 12);
}

TEST(MemoryImage, FailedSaveLeavesNothingBehind) {
    TempFolder folder;
    CalcEngine engine;
    engine.registers[0] = DecNumber::fromInt(3);
    // A folder that does not exist, and a path that is a folder.
    const fs::path missing = folder / "no-such-folder" / "prog.kv";
    const fs::path directory = folder / "a-folder";
    fs::create_directories(directory);
    fs::create_directories(directory / "inside");
    for (const fs::path& path : {missing, directory}) {
        const SaveResult result = saveMemoryImage(engine, path.string());
        EXPECT_FALSE(result.ok) << path;
        EXPECT_FALSE(result.message.empty()) << path;
    }
    EXPECT_TRUE(fs::is_directory(directory / "inside"));
    // No temporary file is left beside the target.
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1);  // only "a-folder"
}

TEST(MemoryImage, SaveReplacesTheOldFileWhole) {
    TempFolder folder;
    const fs::path path = folder / "prog.kv";
    writeBytes(path, std::vector<std::uint8_t>(5000, 0xAB));  // longer than an image
    CalcEngine engine;
    engine.programMemory[0][0] = 42;
    ASSERT_TRUE(saveMemoryImage(engine, path.string()).ok);
    const std::vector<std::uint8_t> bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 2600u);
    EXPECT_EQ(bytes[1600], 42);
    EXPECT_EQ(bytes[0], 0);
}

// Saving writes into what the user has: through a link to its target, with the permission
// bits the file had; what must not be replaced is refused and left exactly as it was.
TEST(MemoryImage, SaveKeepsLinksAndPermissionsAndRefusesWhatItMustNotReplace) {
#ifdef __EMSCRIPTEN__
    GTEST_SKIP() << "FIFOs, devices and threads are not part of the WebAssembly build";
#endif
    TempFolder folder;
    CalcEngine engine;
    engine.registers[0] = DecNumber::fromInt(7);

    const fs::path privateFile = folder / "private.kv";
    writeBytes(privateFile, std::vector<std::uint8_t>(2600, 0));
    fs::permissions(privateFile, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(saveMemoryImage(engine, privateFile.string()).ok);
    EXPECT_EQ(fs::status(privateFile).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    const fs::path target = folder / "target.kv";
    const fs::path link = folder / "link.kv";
    writeBytes(target, std::vector<std::uint8_t>(2600, 0));
    fs::create_symlink("target.kv", link);
    ASSERT_TRUE(saveMemoryImage(engine, link.string()).ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readBytes(target), memoryImageBytes(engine));

    // A dangling link names the file to create.
    const fs::path dangling = folder / "dangling.kv";
    fs::create_symlink("created.kv", dangling);
    ASSERT_TRUE(saveMemoryImage(engine, dangling.string()).ok);
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(fs::file_size(folder / "created.kv"), 2600u);

    const fs::path readOnly = folder / "read-only.kv";
    writeBytes(readOnly, std::vector<std::uint8_t>(10, 0x55));
    fs::permissions(readOnly,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const fs::path fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    struct Refusal {
        fs::path path;
        const char* reason;
    };
    for (const Refusal& r : {Refusal{readOnly, "read-only"}, Refusal{fifo, "not a regular file"},
                             Refusal{"/dev/null", "not a regular file"}}) {
        const SaveResult result = saveMemoryImage(engine, r.path.string());
        EXPECT_FALSE(result.ok) << r.path;
        EXPECT_NE(result.message.find(r.reason), std::string::npos) << result.message;
    }
    EXPECT_EQ(readBytes(readOnly), std::vector<std::uint8_t>(10, 0x55));
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // Every save cleaned up after itself: no temporary file remains.
    for (const auto& entry : fs::directory_iterator(folder.path()))
        EXPECT_EQ(entry.path().filename().string().find(".korvelce-"), std::string::npos)
            << entry.path();
}

// A pipe or standard input is read as a stream, exactly like a file with the same bytes.
TEST(MemoryImage, LoadsFromAPipeAsFromAFile) {
#ifdef __EMSCRIPTEN__
    GTEST_SKIP() << "FIFOs, devices and threads are not part of the WebAssembly build";
#endif
    TempFolder folder;
    CalcEngine source;
    source.registers[5] = DecNumber::fromInt(55);
    source.programMemory[0][3] = 42;
    const fs::path fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::uint8_t> bytes = memoryImageBytes(source);
    std::thread writer([&] { writeBytes(fifo, bytes); });
    CalcEngine engine;
    std::string why;
    const bool loaded = loadMemoryImage(engine, fifo.string(), &why);
    writer.join();
    ASSERT_TRUE(loaded) << why;
    EXPECT_EQ(engine.registers[5], DecNumber::fromInt(55));
    EXPECT_EQ(engine.programMemory[0][3], 42);

    EXPECT_FALSE(loadMemoryImage(engine, folder.path().string(), &why));
    EXPECT_EQ(why, "it is a folder");
}

}  // namespace
}  // namespace korvelce
