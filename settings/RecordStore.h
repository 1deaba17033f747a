#pragma once

#include "settings/KeyRecord.h"
#include "settings/XmlFile.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace keywright {

// The user's key assignments, persisted in record.xml in list order.
//
// Changes come from one thread (the UI thread); the output engine reads the list on the
// key reader thread. Each change builds a new list and publishes it whole, so
// a reader holding a Snapshot() walks a list that no change can alter or free
// under it, without a lock held during the walk.
class RecordStore {
  public:
    using Records = std::vector<KeyRecord>;

    explicit RecordStore(SaveMode mode = SaveMode::Write);

    // Remembers `path` and reads it; false (list unchanged) when it is missing
    // or malformed. An empty path returns false and changes nothing. Records
    // with the same code are loaded as they are. Never writes the file.
    bool Load(const std::filesystem::path& path);
    bool Save() const;

    // Replaces the first record with the same code in place (without saving),
    // or appends a copy and saves.
    void Put(const KeyRecord& record);
    // Erases the first record with `code`; false when there is none. Does not save.
    bool Remove(KeyCode code);
    // Erases every record and saves.
    void Clear();

    // The current list; safe to call and to walk from any thread. Hold the
    // pointer for the whole walk: `for (r : *store.Snapshot())` frees the list
    // under the loop.
    std::shared_ptr<const Records> Snapshot() const;
    // A copy of the first record with `code`.
    std::optional<KeyRecord> Find(KeyCode code) const;

    const std::filesystem::path& Path() const { return file_.Path(); }
    const XmlFile& File() const { return file_; }

  private:
    void Publish(std::shared_ptr<const Records> records);

    // Save() is logically const: it leaves the records as they are, but it
    // settles the file's pending keep-a-bad-copy state.
    mutable XmlFile file_;
    // Guards the pointer only; a published list is never modified.
    mutable std::mutex mutex_;
    std::shared_ptr<const Records> records_;
};

} // namespace keywright
