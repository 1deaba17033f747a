#pragma once

#include <cstdint>
#include <filesystem>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace keywright {

enum class LoadStatus {
    Ok,         // parsed; a document with no element at all counts as read
    Missing,    // no such file
    Unreadable, // exists, but cannot be opened or read
    Malformed,  // read, but not well-formed XML
};

// Whether a settings object may write its file. Read-only objects load as
// usual and report every save as failed (used to inspect a folder).
enum class SaveMode { Write, ReadOnly };

// One settings file on disk: reads it into a pugixml document and writes a
// document back in the file format shared by every settings file (UTF-8
// without byte-order mark, an XML declaration with version only, tab
// indentation, " />", LF).
//
// Saving never loses what was there: the file is replaced atomically, and a
// file that existed but could not be used at load is first kept beside the
// new one as "<name>.bad" (".bad2", ".bad3", ... when that name is taken).
// A file that exists but may not be read (no permission) cannot be kept, so
// it is never replaced: every save of it fails, and the load says so once.
class XmlFile {
  public:
    enum class Encoding {
        Utf8,   // always UTF-8, whatever the declaration says
        Detect, // byte-order mark or declaration, UTF-8 when neither says otherwise
    };

    explicit XmlFile(SaveMode mode = SaveMode::Write) : mode_(mode) {}

    // Remembers `path` for Save, then reads and parses it into `doc`.
    LoadStatus Load(const std::filesystem::path& path, pugi::xml_document& doc,
                    Encoding encoding = Encoding::Utf8);

    // Writes `doc` to the remembered path. False when there is no path, the
    // object is read-only, the file may not be read, or the file could not be
    // written (reported on standard error; the old file is then untouched).
    bool Save(const pugi::xml_document& doc);

    const std::filesystem::path& Path() const { return path_; }
    LoadStatus Status() const { return status_; }
    // Why the last load failed, for people; empty after a good load.
    const std::string& Error() const { return error_; }

  private:
    bool KeepBadCopy();

    SaveMode mode_;
    std::filesystem::path path_;
    LoadStatus status_ = LoadStatus::Missing;
    std::string error_;
    bool keepBadCopy_ = false;
    bool refuseSaves_ = false; // the file exists and may not be read
};

// The document as the settings files store it.
std::string FormatDocument(const pugi::xml_document& doc);

// Attribute text; empty when missing. Attribute names are case-sensitive.
inline std::string_view AttributeText(const pugi::xml_node& node, const char* name) {
    return node.attribute(name).value();
}
inline bool HasAttribute(const pugi::xml_node& node, const char* name) {
    return !node.attribute(name).empty();
}

// Appends attributes in the settings files' forms: decimal numbers with a
// minus sign where negative, key codes in lowercase hexadecimal.
inline void AppendNumber(pugi::xml_node& node, const char* name, long long value) {
    node.append_attribute(name).set_value(value);
}
void AppendHex(pugi::xml_node& node, const char* name, std::uint32_t value);
// For numbers read back as signed base 16 (ParseSignedHex): a value with the
// top bit set is written negated, with a minus sign ("-2" for 0xfffffffe),
// because "fffffffe" would read back saturated as 0x7fffffff.
void AppendSignedHex(pugi::xml_node& node, const char* name, std::uint32_t value);
inline void AppendText(pugi::xml_node& node, const char* name, const std::string& value) {
    node.append_attribute(name).set_value(value.c_str());
}

} // namespace keywright
