// The IUnknown part shared by the stand-in's objects: an interlocked count,
// QueryInterface by the COM rules, and a census of live objects by kind for
// the Unload line (so a leak or a double release shows in the trace).
#pragma once

#include "WebView2Api.h"

#include <atomic>
#include <string>

namespace standin {

enum class ObjectKind { Environment, Controller, WebView, Settings };
constexpr int kObjectKinds = 4;

// How many objects of the kind are alive in the process.
long LiveObjects(ObjectKind kind);

namespace detail {
extern std::atomic<long> liveObjects[kObjectKinds];
}

// Derived is the final implementation class; it answers for IUnknown and
// Interface only. No virtual destructor: the vtable must hold exactly the
// interface's slots, so Release deletes through the derived type instead.
template <typename Derived, typename Interface, ObjectKind Kind>
class ComObject : public Interface {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!object) {
            return E_POINTER;
        }
        if (iid == __uuidof(IUnknown) || iid == __uuidof(Interface)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&count)); }

    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG remaining = InterlockedDecrement(&count);
        if (remaining == 0) {
            delete static_cast<Derived*>(this);
        }
        return static_cast<ULONG>(remaining);
    }

protected:
    // Born with one reference, which the creator owns.
    ComObject() { ++detail::liveObjects[static_cast<int>(Kind)]; }
    ~ComObject() { --detail::liveObjects[static_cast<int>(Kind)]; }

private:
    LONG count = 1;
};

} // namespace standin

namespace standin {

// A copy for an [out] LPWSTR, which the caller frees with CoTaskMemFree.
HRESULT CopyToTaskMemory(const std::wstring& text, LPWSTR* out);

} // namespace standin
