#include "settings/XmlFile.h"

#include "base/Log.h"
#include "base/NumberText.h"
#include "platform/Files.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace keywright {
namespace {

// pugixml reports "no document element" both for a file that holds only a
// declaration, comments or white space (a store with nothing in it, which is
// how an empty record.xml is written) and for text that is not XML at all. Only
// the first is a readable file.
bool OnlyProlog(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    while (!text.empty()) {
        const char c = text.front();
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            text.remove_prefix(1);
            continue;
        }
        std::string_view close;
        if (text.substr(0, 2) == "<?")
            close = "?>";
        else if (text.substr(0, 4) == "<!--")
            close = "-->";
        else
            return false;
        const size_t end = text.find(close);
        if (end == std::string_view::npos)
            return false;
        text.remove_prefix(end + close.size());
    }
    return true;
}

struct StringWriter : pugi::xml_writer {
    std::string text;
    void write(const void* data, size_t size) override {
        text.append(static_cast<const char*>(data), size);
    }
};

} // namespace

void AppendHex(pugi::xml_node& node, const char* name, std::uint32_t value) {
    node.append_attribute(name).set_value(FormatHex(value).c_str());
}

void AppendSignedHex(pugi::xml_node& node, const char* name, std::uint32_t value) {
    if (value < 0x80000000u) {
        AppendHex(node, name, value);
        return;
    }
    std::string text = "-";
    text += FormatHex(0u - value);
    node.append_attribute(name).set_value(text.c_str());
}

std::string FormatDocument(const pugi::xml_document& doc) {
    StringWriter writer;
    doc.save(writer, "\t", pugi::format_indent, pugi::encoding_utf8);
    return std::move(writer.text);
}

LoadStatus XmlFile::Load(const std::filesystem::path& path, pugi::xml_document& doc,
                         Encoding encoding) {
    path_ = path;
    error_.clear();
    keepBadCopy_ = false;
    refuseSaves_ = false;
    doc.reset();

    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec) {
        status_ = LoadStatus::Missing;
        return status_;
    }

    std::ifstream in;
    int openError = 0;
    if (std::filesystem::is_regular_file(path, ec)) {
        errno = 0;
        in.open(path, std::ios::binary);
        openError = errno;
    }
    std::string bytes;
    bool read = in.is_open();
    if (read) {
        std::ostringstream content;
        content << in.rdbuf();
        bytes = std::move(content).str();
        read = !in.bad();
    }
    if (!read && (openError == EACCES || openError == EPERM)) {
        // A copy cannot be kept of a file we may not read, and replacing it
        // would lose it: it stays as it is, and so does every save after.
        // Said once, here, rather than at every refused save.
        status_ = LoadStatus::Unreadable;
        error_ = std::string("cannot read the file: ") + std::strerror(openError);
        refuseSaves_ = true;
        LogLine("settings file: " + path.string() + ": " + error_ +
                "; it is left as it is, and changes are not saved to it");
        return status_;
    }
    if (!read) {
        status_ = LoadStatus::Unreadable;
        error_ = "cannot read the file";
    } else {
        const auto result =
            doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default,
                            encoding == Encoding::Utf8 ? pugi::encoding_utf8 : pugi::encoding_auto);
        const bool empty = result.status == pugi::status_no_document_element && OnlyProlog(bytes);
        if (result || empty) {
            status_ = LoadStatus::Ok;
            return status_;
        }
        doc.reset();
        status_ = LoadStatus::Malformed;
        error_ = std::string("not well-formed XML: ") + result.description() + " at byte " +
                 std::to_string(result.offset);
    }
    keepBadCopy_ = true;
    LogLine("settings file: " + path.string() + ": " + error_);
    return status_;
}

bool XmlFile::KeepBadCopy() {
    std::error_code ec;
    if (!std::filesystem::exists(path_, ec))
        return true; // gone meanwhile: nothing left to lose
    std::filesystem::path copy;
    for (int n = 1; n < 1000; ++n) {
        copy = path_;
        copy += n == 1 ? ".bad" : ".bad" + std::to_string(n);
        if (!std::filesystem::exists(copy, ec))
            break;
    }
    if (!std::filesystem::copy_file(path_, copy, std::filesystem::copy_options::none, ec)) {
        LogLine("settings file: not saving " + path_.string() +
                ": cannot keep the unreadable file as " + copy.string() + ": " + ec.message());
        return false;
    }
    LogLine("settings file: kept the unreadable " + path_.string() + " as " + copy.string());
    return true;
}

bool XmlFile::Save(const pugi::xml_document& doc) {
    if (path_.empty() || mode_ == SaveMode::ReadOnly || refuseSaves_)
        return false;
    if (keepBadCopy_) {
        if (!KeepBadCopy())
            return false;
        keepBadCopy_ = false;
    }
    const auto result = platform::ReplaceFileAtomically(path_, FormatDocument(doc));
    if (!result)
        LogLine("settings file: " + result.error);
    return result.ok;
}

} // namespace keywright
