#pragma once

#include "base/Log.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <unistd.h>

namespace keywright::fuzz {

// A broken property is a finding like a crash: libFuzzer keeps the input.
[[noreturn]] inline void Fail(std::string_view what) {
    std::fprintf(stderr, "fuzz property broken: %.*s\n", static_cast<int>(what.size()),
                 what.data());
    std::abort();
}

inline void Check(bool holds, std::string_view what) {
    if (!holds)
        Fail(what);
}

// The log lines of hostile input are expected by the thousand; they would
// only slow the run down.
inline void SilenceLog() {
    SetLogSink([](std::string_view) {});
}

// A private folder for the settings files of one fuzzing process, emptied
// after every input (a malformed file leaves a ".bad" copy behind, and the
// next input must not find it). In /dev/shm when there is one: the files are
// written and read thousands of times a second.
class Scratch {
  public:
    Scratch() {
        std::error_code ec;
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base, ec))
            base = std::filesystem::temp_directory_path();
        folder_ = base / ("keywright-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }

    std::filesystem::path Write(const char* name, std::span<const std::uint8_t> bytes) {
        const auto path = folder_ / name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    static std::string Read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    void Clear() {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder_, ec))
            std::filesystem::remove(entry.path(), ec);
    }

  private:
    std::filesystem::path folder_;
};

// Reads fuzzer bytes as a stream of small decisions; zeros once they run out.
class ByteReader {
  public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool Empty() const { return bytes_.empty(); }
    std::uint8_t Byte() {
        if (bytes_.empty())
            return 0;
        const std::uint8_t b = bytes_.front();
        bytes_ = bytes_.subspan(1);
        return b;
    }
    std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
    std::span<const std::uint8_t> Take(std::size_t n) {
        n = std::min(n, bytes_.size());
        const auto taken = bytes_.first(n);
        bytes_ = bytes_.subspan(n);
        return taken;
    }

  private:
    std::span<const std::uint8_t> bytes_;
};

// The property every settings file keeps: whatever `name` holds, loading it
// leaves an object that saves; the saved file loads again into an object
// `same` finds equal, and that saves the same bytes.
template <typename Settings, typename Same>
void CheckSaveRoundTrip(const char* name, std::span<const std::uint8_t> bytes, Same same) {
    static Scratch scratch;
    const auto path = scratch.Write(name, bytes);

    Settings first;
    first.Load(path);
    Check(first.Save(), "the loaded file saves");
    const std::string saved = Scratch::Read(path);

    Settings second;
    Check(second.Load(path), "the saved file loads");
    Check(same(first, second), "the saved file reloads as the same settings");
    Check(second.Save(), "the reloaded settings save");
    Check(Scratch::Read(path) == saved, "a reload saves the same bytes");
    scratch.Clear();
}

} // namespace keywright::fuzz
