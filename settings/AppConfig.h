#pragma once

#include "base/KeyCode.h"
#include "settings/XmlFile.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace keywright {

// A media key that config.xml offers. path and argm are kept with the entry;
// nothing uses them.
struct FunKeyEntry {
    std::string name; // never empty
    std::string path;
    std::string argm;
    KeyCode code = 0;
};

struct CombKeyPair {
    std::int32_t code = 0;  // a KeyCode
    std::int32_t delay = 0; // milliseconds
};

// A key combination that config.xml offers as a function key.
struct CombKeyEntry {
    std::string name; // may be empty
    std::vector<CombKeyPair> pairs;
};

// config.xml, read once at start-up and never written: the interface language
// and the media-key and key-combination lists of the assignment dialog.
class AppConfig {
  public:
    explicit AppConfig(std::filesystem::path programFolder);

    // Reads "config.xml" in the program folder. On any failure the fields
    // stay as they are (English, empty lists); no message.
    void Load();

    std::int32_t UsbVendor() const { return usbVendor_; }
    std::int32_t UsbProduct() const { return usbProduct_; }
    std::int32_t UsbInterface() const { return usbInterface_; }
    std::int32_t UsbSubdevice() const { return usbSubdevice_; }
    // 1 when the file selects Chinese (language="cn", case-sensitive), else 0.
    std::int32_t Chinese() const { return chinese_; }
    const std::vector<FunKeyEntry>& FunKeys() const { return funKeys_; }
    const std::vector<CombKeyEntry>& CombKeys() const { return combKeys_; }

    std::filesystem::path Path() const { return folder_ / "config.xml"; }
    const XmlFile& File() const { return file_; }

  private:
    std::filesystem::path folder_;
    XmlFile file_{SaveMode::ReadOnly};
    std::int32_t usbVendor_ = 0;
    std::int32_t usbProduct_ = 0;
    std::int32_t usbInterface_ = 0;
    std::int32_t usbSubdevice_ = 0;
    std::int32_t chinese_ = 0;
    std::vector<FunKeyEntry> funKeys_;
    std::vector<CombKeyEntry> combKeys_;
};

// The "code" text of a combkey entry: pieces "code:delay" separated by commas,
// blanks anywhere, empty pieces skipped, a piece without a delay has delay 0.
// A piece that holds no number at all is ignored.
std::vector<CombKeyPair> ParseCombKeyCode(std::string_view text);

} // namespace keywright
