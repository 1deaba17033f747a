#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace keywright::platform {

// The outcome of a file operation: ok, or the reason it failed, worded for a
// person ("cannot create ...: No space left on device").
struct FileResult {
    bool ok = true;
    std::string error;

    explicit operator bool() const { return ok; }
    static FileResult Failure(std::string why) { return {false, std::move(why)}; }
};

// Replaces the contents of `path` with `bytes` so that, whatever happens
// during the call (a crash, a kill, a full disk), the file afterwards holds
// either its old contents or the new ones, never a mix: the bytes go to a
// temporary file in the same folder, are flushed to the disk, and the
// temporary file is then renamed over `path`. On failure the temporary file
// is removed and `path` is untouched. A new file gets ordinary permissions; an
// existing file keeps its own.
FileResult ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// The folder that holds the running executable: the program folder, where the
// settings files and the resource package live.
std::filesystem::path ExecutableFolder();

} // namespace keywright::platform
