#include "device/HidDiscovery.h"

#include "base/NumberText.h"
#include "device/HidDevice.h"
#include "platform/NamedLocks.h"

#include <algorithm>
#include <regex>

namespace keywright {
namespace {

// Groups 6 and 8 sit inside a repeated one-character group, so they hold the
// last character of their field only. Kept as it is: the collection number
// seven is found this way on every keyboard in the field.
const std::regex& HidPathExpression() {
    static const std::regex expression(
        R"(hid#vid_([\da-zA-Z]{4})&pid_([\da-zA-Z]{4})(&rev_([\da-zA-Z]){4})?)"
        R"((&mi_([\da-zA-Z]){2})?(&col([\da-zA-Z]){2})?)",
        std::regex::ECMAScript | std::regex::optimize);
    return expression;
}

std::int32_t GroupValue(const std::match_results<std::string_view::const_iterator>& match,
                        size_t group) {
    if (!match[group].matched)
        return -1;
    return ParseSignedHex(std::string(match[group].first, match[group].second));
}

bool FieldMatches(std::int32_t wanted, std::int32_t parsed) {
    if (wanted >= 0)
        return parsed == wanted;
    return wanted == -1;
}

} // namespace

std::optional<HidPathNumbers> ParseHidPath(std::string_view path) {
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_search(path.begin(), path.end(), match, HidPathExpression()))
        return std::nullopt;
    return HidPathNumbers{GroupValue(match, 1), GroupValue(match, 2), GroupValue(match, 6),
                          GroupValue(match, 8)};
}

std::optional<SupportedKeyboard> MatchSupportedKeyboard(std::string_view path) {
    const auto numbers = ParseHidPath(path);
    if (!numbers)
        return std::nullopt;
    for (const SupportedKeyboard& row : SupportedKeyboards) {
        if (row.vendorId == numbers->vendorId && row.productId == numbers->productId &&
            row.interfaceNumber == numbers->interfaceNumber &&
            row.collectionNumber == numbers->collectionNumber)
            return row;
    }
    return std::nullopt;
}

std::vector<HidInterfaceInfo>
EnumerateHidInterfaces(platform::HidService& hid, const Trace& trace, std::int32_t vendorId,
                       const std::int32_t* productIds, std::int32_t productCount,
                       std::int32_t interfaceNumber, std::int32_t collectionNumber) {
    std::vector<HidInterfaceInfo> found;
    if (productIds == nullptr || productCount < 0)
        productCount = 0;
    if (productCount == 0 && vendorId <= 0)
        return found;

    trace(TraceLine("got classs: guid={%s}\n", FormatGuid(platform::kHidInterfaceClass).c_str()));
    const std::vector<platform::HidInterfaceEntry> entries = hid.ListInterfaces();
    for (size_t index = 0; index < entries.size(); ++index) {
        const platform::HidInterfaceEntry& entry = entries[index];
        trace(TraceLine("enum interface: guid={%s} index=%d\n",
                        FormatGuid(entry.interfaceClassGuid).c_str(), static_cast<int>(index)));

        const auto numbers = ParseHidPath(entry.path);
        if (!numbers)
            continue;
        if (vendorId > 0 && numbers->vendorId != vendorId)
            continue;
        if (productCount > 0 && std::find(productIds, productIds + productCount,
                                          numbers->productId) == productIds + productCount)
            continue;
        if (!FieldMatches(interfaceNumber, numbers->interfaceNumber) ||
            !FieldMatches(collectionNumber, numbers->collectionNumber))
            continue;

        HidInterfaceInfo& info = found.emplace_back();
        info.path = entry.path;
        info.interfaceClassGuid = entry.interfaceClassGuid;
        info.flags = entry.flags;
        info.vendorId = numbers->vendorId;
        info.productId = numbers->productId;

        const platform::HidOpenResult opened =
            hid.Open(entry.path, platform::kGenericRead | platform::kGenericWrite,
                     platform::kShareRead | platform::kShareWrite, true);
        trace(TraceLine("open dev: %08x\n", static_cast<unsigned>(opened.handle)));
        if (!platform::IsOpenHandle(opened.handle))
            continue;
        platform::HidAttributes attributes;
        if (hid.GetAttributes(opened.handle, attributes))
            info.versionNumber = attributes.versionNumber;
        platform::HidCaps caps;
        if (hid.GetCaps(opened.handle, caps)) {
            info.usagePage = caps.usagePage;
            info.usage = caps.usage;
        }
        hid.Close(opened.handle);
    }
    return found;
}

std::optional<SupportedKeyboard> OpenSupportedKeyboard(HidDevice& device) {
    for (const SupportedKeyboard& row : SupportedKeyboards) {
        if (device.OpenMatching(row.vendorId, &row.productId, 1, row.interfaceNumber,
                                row.collectionNumber, kReadWriteShared))
            return row;
    }
    return std::nullopt;
}

bool RegisterHidNotifications(platform::DeviceNotifications& notifications,
                              platform::DeviceNotifications::Handler handler,
                              std::function<void()> wake) {
    if (!handler)
        return false;
    return notifications.Subscribe(std::move(handler), std::move(wake));
}

std::string FormatGuid(const platform::Guid& guid) {
    std::string data4;
    for (std::uint8_t byte : guid.data4)
        data4 += TraceLine("%02x", byte);
    return TraceLine("%04x-%02x-%02x-%s", guid.data1, guid.data2, guid.data3, data4.c_str());
}

} // namespace keywright
