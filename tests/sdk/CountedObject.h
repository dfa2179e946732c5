// A COM object that reports its reference count and its destruction, for
// checking that every reference is added and released exactly once.
#pragma once

#include <unknwn.h>

struct ICountedThing : IUnknown {
    virtual int STDMETHODCALLTYPE Value() = 0;
};
__CRT_UUID_DECL(ICountedThing, 0x6f0c5a4e, 0x2d7b, 0x4c1a, 0x9e, 0x53, 0x0b, 0x8a, 0x1d, 0x2c, 0x3e, 0x4f)

class CountedThing final : public ICountedThing {
public:
    explicit CountedThing(int* destroyed, int value = 0) : destroyed(destroyed), value(value) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(ICountedThing)) {
            *object = static_cast<ICountedThing*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG remaining = --count;
        if (remaining == 0) {
            ++*destroyed;
            delete this;
        }
        return remaining;
    }
    int STDMETHODCALLTYPE Value() override { return value; }

    // The count as it stands, without changing it.
    ULONG Count() const { return count; }

private:
    ULONG count = 1;
    int* destroyed;
    int value;
};
