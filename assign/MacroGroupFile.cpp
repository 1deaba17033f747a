#include "assign/MacroGroupFile.h"

#include "platform/Files.h"
#include "settings/XmlFile.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

namespace keywright {
namespace {

constexpr const char* kRoot = "keywright-macros";
constexpr const char* kVersion = "1";

// Far above any macro a person records (a step takes about 60 bytes), low
// enough that a hostile file cannot make the program swallow the disk.
constexpr std::uintmax_t kMaxFileBytes = 16u << 20;

GroupFileResult Failure(std::string message) {
    return {false, std::move(message)};
}

// A whole unsigned decimal number, as this format writes numbers: digits only,
// no sign, no spaces, within 32 bits.
std::optional<std::uint32_t> StrictNumber(std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Where a node is, for messages: "group 2, step 5".
std::string Place(std::size_t group, std::size_t step = 0) {
    std::string text = "group " + std::to_string(group + 1);
    if (step != 0)
        text += ", step " + std::to_string(step);
    return text;
}

std::optional<std::string> ReadStep(const pugi::xml_node& node, MacroItem& item) {
    if (std::string_view(node.name()) != "item")
        return "unexpected element <" + std::string(node.name()) + ">";
    const auto field = [&](const char* name, std::uint32_t& out) -> std::optional<std::string> {
        const auto value = StrictNumber(AttributeText(node, name));
        if (!value)
            return "\"" + std::string(name) + "\" is not a whole number: \"" +
                   std::string(AttributeText(node, name)) + "\"";
        out = *value;
        return std::nullopt;
    };
    for (const auto& [name, out] : {std::pair{"code", &item.code}, std::pair{"state", &item.state},
                                    std::pair{"delay", &item.delay}})
        if (auto problem = field(name, *out))
            return problem;
    if (item.code == 0)
        return std::string("\"code\" is 0, which is no key");
    if (item.state > 1)
        return "\"state\" is " + std::to_string(item.state) + "; 1 (down) or 0 (up) expected";
    item.name = AttributeText(node, "name");
    return std::nullopt;
}

} // namespace

GroupFileResult ExportMacroGroup(const MacroSettings& settings, std::size_t index,
                                 const std::filesystem::path& path) {
    if (index >= settings.GroupCount())
        return Failure("there is no macro group " + std::to_string(index + 1));
    const MacroGroup& group = settings.Groups()[index];

    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child(kRoot);
    root.append_attribute("version").set_value(kVersion);
    pugi::xml_node groupNode = root.append_child("group");
    AppendText(groupNode, "name", group.name);
    for (const MacroItem& item : group.items) {
        pugi::xml_node itemNode = groupNode.append_child("item");
        AppendNumber(itemNode, "code", item.code);
        AppendNumber(itemNode, "state", item.state);
        AppendNumber(itemNode, "delay", item.delay);
        AppendText(itemNode, "name", item.name);
    }
    const auto written = platform::ReplaceFileAtomically(path, FormatDocument(doc));
    if (!written)
        return Failure(written.error);
    return {true, {}};
}

GroupFileContents ReadMacroGroupFile(const std::filesystem::path& path) {
    const std::string where = path.string() + ": ";
    const auto refuse = [&](const std::string& why) {
        return GroupFileContents{{}, where + why};
    };

    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status))
        return refuse("no such file");
    if (!std::filesystem::is_regular_file(status))
        return refuse("not a file");
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec)
        return refuse("cannot be read: " + ec.message());
    if (size > kMaxFileBytes)
        return refuse("too large for a macro group file (" + std::to_string(size) + " bytes)");

    std::ifstream in(path, std::ios::binary);
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (!in && !in.eof())
        return refuse("cannot be read");

    pugi::xml_document doc;
    const pugi::xml_parse_result parsed =
        doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed)
        return refuse("damaged or cut short (" + std::string(parsed.description()) + " at byte " +
                      std::to_string(parsed.offset) + ")");
    const pugi::xml_node root = doc.document_element();
    if (std::string_view(root.name()) != kRoot)
        return refuse("not a Keywright macro group file");
    const std::string_view version = AttributeText(root, "version");
    if (version != kVersion)
        return refuse("made by another version of Keywright (format \"" + std::string(version) +
                      "\"; this one reads \"" + kVersion + "\")");

    GroupFileContents contents;
    for (const pugi::xml_node groupNode : root.children()) {
        if (groupNode.type() != pugi::node_element)
            continue;
        const std::size_t g = contents.groups.size();
        if (std::string_view(groupNode.name()) != "group")
            return refuse(Place(g) + ": unexpected element <" + groupNode.name() + ">");
        if (!HasAttribute(groupNode, "name"))
            return refuse(Place(g) + ": the group has no name");
        MacroGroup& group = contents.groups.emplace_back();
        group.name = AttributeText(groupNode, "name");
        for (const pugi::xml_node itemNode : groupNode.children()) {
            if (itemNode.type() != pugi::node_element)
                continue;
            if (auto problem = ReadStep(itemNode, group.items.emplace_back()))
                return refuse(Place(g, group.items.size()) + ": " + *problem);
        }
    }
    if (contents.groups.empty())
        return refuse("holds no macro group");
    return contents;
}

GroupImportResult ImportMacroGroups(MacroSettings& settings, const std::filesystem::path& path) {
    GroupFileContents contents = ReadMacroGroupFile(path);
    if (!contents.message.empty())
        return {0, std::move(contents.message)};
    const std::size_t count = contents.groups.size();
    if (!settings.AppendGroups(std::move(contents.groups)))
        return {count, "the groups were added, but macro.xml could not be written"};
    return {count, {}};
}

} // namespace keywright
