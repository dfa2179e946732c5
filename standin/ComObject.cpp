#include "ComObject.h"

#include <cstring>

namespace standin {

namespace detail {
std::atomic<long> liveObjects[kObjectKinds];
}

long LiveObjects(ObjectKind kind)
{
    return detail::liveObjects[static_cast<int>(kind)].load();
}

HRESULT CopyToTaskMemory(const std::wstring& text, LPWSTR* out)
{
    if (!out) {
        return E_POINTER;
    }
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*out) {
        return E_OUTOFMEMORY;
    }
    std::memcpy(*out, text.c_str(), bytes);
    return S_OK;
}

} // namespace standin
