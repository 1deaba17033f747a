#pragma once

#include "platform/ProcessService.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace keywright::sim {

class SimWorld;

// The attributes a plain file of the simulated file table gets by default
// (FILE_ATTRIBUTE_ARCHIVE, as Windows reports most files).
constexpr std::uint32_t kSimFileAttributes = 0x20;

// One RunAndWait as the program asked for it.
struct SimProcessRun {
    std::string program;
    std::string commandLine;
    bool started = false; // what RunAndWait answered

    friend bool operator==(const SimProcessRun&, const SimProcessRun&) = default;
};

// The simulated process runner: records every run and answers file
// questions from a small file table the test fills. Thread-safe.
//
// Paths (file table, program) match without regard to case, as on Windows,
// and are taken as given otherwise (no separator or ".." folding). A
// program starts (RunAndWait true) when it is in the file table and is not
// a folder; nothing runs, the call only records and returns at once.
//
// The device console tool: a run of a program whose file name is
// "devcon.exe" that starts, with a command line whose first word is
// "install" (or "remove") and one of whose words is the hardware id
// "root\vhidev" (words split at white space; case and surrounding quotes
// aside), plugs (or unplugs) the world's virtual output device before
// RunAndWait returns, as the real tool's install (or remove) would. SetDriverInstallWorks(false)
// models a tool that runs but installs or removes nothing; the package named on the install line is
// not looked at.
class SimProcessService final : public platform::ProcessService {
  public:
    // Defaults: a 32-bit program on 64-bit Windows (IsWow64 true) in
    // "C:\Program Files\Keywright\", an empty file table, installs working.
    explicit SimProcessService(SimWorld& world);

    // The platform side.
    bool RunAndWait(const std::string& program, const std::string& commandLine) override;
    std::optional<std::uint32_t> FileAttributes(const std::string& path) override;
    bool IsWow64() override;
    std::string ProgramFolder() override;

    // The world's side.

    // Adds or replaces a file table entry: a file by default, a folder with
    // platform::kFileAttributeDirectory.
    void PutFile(const std::string& path, std::uint32_t attributes = kSimFileAttributes);
    void RemoveFile(const std::string& path);
    void SetWow64(bool wow64);
    // With its trailing separator, as ProgramFolder answers it.
    void SetProgramFolder(std::string folder);
    void SetDriverInstallWorks(bool works);

    // Every RunAndWait in order, those that did not start included.
    std::vector<SimProcessRun> Runs() const;
    void ClearRuns();

  private:
    SimWorld& world_;
    mutable std::mutex mutex_;                   // never held while the world is called
    std::map<std::string, std::uint32_t> files_; // by lowercase path
    bool wow64_ = true;
    std::string programFolder_ = "C:\\Program Files\\Keywright\\";
    bool installWorks_ = true;
    std::vector<SimProcessRun> runs_;
};

} // namespace keywright::sim
