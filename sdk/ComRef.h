// A counted COM reference. Where WIL is available it is WIL's com_ptr_t with
// the exception policy; elsewhere a small class with the same semantics for
// what Tavlio uses: empty by default, copy adds a reference, assignment adds
// the new reference before releasing the old, put() empties for an out
// parameter, attach/detach hand a reference over without counting.
#pragma once

#include <unknwn.h>

#include <utility>

#if __has_include(<wil/com.h>)
#include <wil/com.h>

template <typename T>
using ComRef = wil::com_ptr_t<T, wil::err_exception_policy>;

#else

template <typename T>
class ComRef {
public:
    using pointer = T*;

    ComRef() noexcept = default;
    ComRef(std::nullptr_t) noexcept {}
    ComRef(T* other) noexcept : ptr(other) { AddRefIfAny(); }
    ComRef(const ComRef& other) noexcept : ptr(other.ptr) { AddRefIfAny(); }
    ComRef(ComRef&& other) noexcept : ptr(std::exchange(other.ptr, nullptr)) {}
    ~ComRef() { ReleaseIfAny(); }

    ComRef& operator=(T* other) noexcept
    {
        T* old = ptr;
        ptr = other;
        AddRefIfAny();
        if (old) {
            old->Release();
        }
        return *this;
    }
    ComRef& operator=(const ComRef& other) noexcept { return *this = other.ptr; }
    ComRef& operator=(ComRef&& other) noexcept
    {
        if (this != &other) {
            attach(std::exchange(other.ptr, nullptr));
        }
        return *this;
    }
    ComRef& operator=(std::nullptr_t) noexcept
    {
        reset();
        return *this;
    }

    T* get() const noexcept { return ptr; }
    T* operator->() const noexcept { return ptr; }
    T& operator*() const noexcept { return *ptr; }
    explicit operator bool() const noexcept { return ptr != nullptr; }

    // Releases what is held and gives the address to fill, as an out parameter.
    T** put() noexcept
    {
        reset();
        return &ptr;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    T** addressof() noexcept { return &ptr; }

    void reset() noexcept { ReleaseIfAny(std::exchange(ptr, nullptr)); }
    void reset(std::nullptr_t) noexcept { reset(); }

    // Takes over a reference the caller already owns, without adding one.
    void attach(T* other) noexcept
    {
        T* old = std::exchange(ptr, other);
        ReleaseIfAny(old);
    }
    // Gives the held reference to the caller, who must release it.
    [[nodiscard]] T* detach() noexcept { return std::exchange(ptr, nullptr); }

    void swap(ComRef& other) noexcept { std::swap(ptr, other.ptr); }

    // An empty reference when the object does not implement U.
    template <typename U>
    ComRef<U> try_query() const noexcept
    {
        ComRef<U> result;
        if (ptr) {
            ptr->QueryInterface(__uuidof(U), result.put_void());
        }
        return result;
    }

private:
    void AddRefIfAny() const noexcept
    {
        if (ptr) {
            ptr->AddRef();
        }
    }
    void ReleaseIfAny() noexcept { ReleaseIfAny(ptr); }
    static void ReleaseIfAny(T* p) noexcept
    {
        if (p) {
            p->Release();
        }
    }

    T* ptr = nullptr;
};

template <typename T>
bool operator==(const ComRef<T>& a, std::nullptr_t) noexcept
{
    return a.get() == nullptr;
}

#endif
