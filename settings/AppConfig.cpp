#include "settings/AppConfig.h"

#include "base/NumberText.h"

#include <algorithm>

namespace keywright {
namespace {

// Splits at `separator`, skipping empty parts.
std::vector<std::string_view> SplitNonEmpty(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (!text.empty()) {
        const size_t end = std::min(text.find(separator), text.size());
        if (end > 0)
            parts.push_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return parts;
}

bool HasDigit(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::vector<CombKeyPair> ParseCombKeyCode(std::string_view text) {
    std::string compact(text);
    std::erase(compact, ' ');

    std::vector<CombKeyPair> pairs;
    for (std::string_view piece : SplitNonEmpty(compact, ',')) {
        const auto parts = SplitNonEmpty(piece, ':');
        if (!HasDigit(piece) || parts.empty())
            continue;
        CombKeyPair pair;
        pair.code = ParseSignedDecimal(parts[0]);
        if (parts.size() > 1)
            pair.delay = ParseSignedDecimal(parts[1]);
        pairs.push_back(pair);
    }
    return pairs;
}

AppConfig::AppConfig(std::filesystem::path programFolder) : folder_(std::move(programFolder)) {}

void AppConfig::Load() {
    pugi::xml_document doc;
    if (file_.Load(Path(), doc, XmlFile::Encoding::Detect) != LoadStatus::Ok)
        return;

    // Top-level elements, each looked up by name; a missing one reads as an
    // element without attributes or children.
    chinese_ = AttributeText(doc.child("local"), "language") == "cn" ? 1 : 0;

    const pugi::xml_node usb = doc.child("usb");
    usbVendor_ = ParseSignedHex(AttributeText(usb, "vid"));
    usbProduct_ = ParseSignedHex(AttributeText(usb, "pid"));
    usbInterface_ = ParseSignedHex(AttributeText(usb, "interface"));
    usbSubdevice_ = ParseSignedHex(AttributeText(usb, "subdevice"));

    funKeys_.clear();
    for (const pugi::xml_node entry : doc.child("funkey").children()) {
        if (entry.type() != pugi::node_element || AttributeText(entry, "name").empty())
            continue;
        funKeys_.push_back({std::string(AttributeText(entry, "name")),
                            std::string(AttributeText(entry, "path")),
                            std::string(AttributeText(entry, "argm")),
                            ParseUnsignedHex(AttributeText(entry, "code"))});
    }

    combKeys_.clear();
    for (const pugi::xml_node entry : doc.child("combkey").children()) {
        if (entry.type() != pugi::node_element)
            continue;
        combKeys_.push_back({std::string(AttributeText(entry, "name")),
                             ParseCombKeyCode(AttributeText(entry, "code"))});
    }
}

} // namespace keywright
