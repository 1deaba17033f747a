#pragma once

namespace keywright {

// A value the owner of a thread leaves for its callbacks. The thread neither
// owns nor reads what data points to.
struct ThreadUserData {
    void* data = nullptr;
    int value = 0;
};

} // namespace keywright
