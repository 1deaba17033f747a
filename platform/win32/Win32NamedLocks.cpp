#include "platform/win32/Win32NamedLocks.h"

#include "base/Log.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Handle.h"

namespace keywright::platform::win32 {
namespace {

class MutexLock final : public NamedLock {
  public:
    explicit MutexLock(Win32Handle mutex) : mutex_(std::move(mutex)) {}

    void Lock() override {
        if (mutex_)
            WaitForSingleObject(mutex_.Get(), INFINITE);
    }
    // A mutex whose owner ended without releasing it (WAIT_ABANDONED) is ours
    // now, as with Lock.
    bool TryLock() override {
        if (!mutex_)
            return true;
        const DWORD result = WaitForSingleObject(mutex_.Get(), 0);
        return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    }
    void Unlock() override {
        if (mutex_)
            ReleaseMutex(mutex_.Get());
    }

  private:
    Win32Handle mutex_;
};

} // namespace

std::wstring Win32NamedLocks::MutexName(const std::string& name) {
    std::wstring wide = ToWide(name);
    for (wchar_t& c : wide) {
        if (c == L'\\')
            c = L'_';
    }
    return wide;
}

std::unique_ptr<NamedLock> Win32NamedLocks::Open(const std::string& name) {
    Win32Handle mutex(CreateMutexW(nullptr, FALSE, MutexName(name).c_str()));
    if (!mutex)
        LogLine("system: cannot create the named mutex " + name + ": " +
                DescribeError(GetLastError()) + "; its users are not serialised");
    return std::make_unique<MutexLock>(std::move(mutex));
}

} // namespace keywright::platform::win32
