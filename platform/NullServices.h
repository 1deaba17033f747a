#pragma once

#include "platform/FilterService.h"
#include "platform/ProcessService.h"

namespace keywright::platform {

// For a back end that has no keyboard filter: the control device never
// opens, so key assignments stay inactive and nothing else changes.
class NullFilterService final : public FilterService {
  public:
    std::unique_ptr<CancelSignal> CreateCancelSignal() override;
    FilterHandle Open(const std::string&, std::uint32_t, std::uint32_t) override {
        return kInvalidFilter;
    }
    void Close(FilterHandle) override {}
    ControlResult Control(FilterHandle, std::uint32_t, const std::uint8_t*, std::size_t,
                          std::uint8_t*, std::size_t, CancelSignal*) override {
        return ControlResult::Failed;
    }
};

// For a back end that cannot run programs: nothing starts.
class NullProcessService final : public ProcessService {
  public:
    bool RunAndWait(const std::string&, const std::string&) override { return false; }
    std::optional<std::uint32_t> FileAttributes(const std::string&) override {
        return std::nullopt;
    }
    bool IsWow64() override { return false; }
    std::string ProgramFolder() override { return {}; }
};

} // namespace keywright::platform
