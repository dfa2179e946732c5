// Completion handlers as small heap COM objects around a lambda.
//
// MakeHandler<I>(lambda) makes an object that implements IUnknown and the one
// handler interface I, whose Invoke forwards to the lambda. It is born with a
// count of one, which the returned ComRef owns; the engine adds its own when
// the handler is handed over, so the maker can drop its reference at once.
// Where WRL's Callback is available it is used instead.
#pragma once

#include "ComRef.h"

#include <windows.h>

#include <new>
#include <type_traits>
#include <utility>

#if __has_include(<wrl/event.h>)
#include <wrl/event.h>

template <typename I, typename F>
ComRef<I> MakeHandler(F&& function)
{
    ComRef<I> handler;
    handler.attach(Microsoft::WRL::Callback<I>(std::forward<F>(function)).Detach());
    return handler;
}

#else

namespace callback_detail {

template <typename Method>
struct InvokeSignature;

template <typename C, typename... Args>
struct InvokeSignature<HRESULT (STDMETHODCALLTYPE C::*)(Args...)> {
    template <typename I, typename F>
    class Delegate final : public I {
    public:
        explicit Delegate(F&& f) : function(std::move(f)) {}

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
        {
            if (!object) {
                return E_POINTER;
            }
            if (iid == __uuidof(IUnknown) || iid == __uuidof(I)) {
                *object = static_cast<I*>(this);
                AddRef();
                return S_OK;
            }
            *object = nullptr;
            return E_NOINTERFACE;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&count); }
        ULONG STDMETHODCALLTYPE Release() override
        {
            const LONG remaining = InterlockedDecrement(&count);
            if (remaining == 0) {
                delete this;
            }
            return remaining;
        }
        HRESULT STDMETHODCALLTYPE Invoke(Args... args) override { return function(args...); }

    private:
        ~Delegate() = default;

        F function;
        LONG count = 1;
    };
};

} // namespace callback_detail

template <typename I, typename F>
ComRef<I> MakeHandler(F&& function)
{
    using Function = std::decay_t<F>;
    using Signature = callback_detail::InvokeSignature<decltype(&I::Invoke)>;
    using Delegate = typename Signature::template Delegate<I, Function>;
    ComRef<I> handler;
    handler.attach(new (std::nothrow) Delegate(Function(std::forward<F>(function))));
    return handler;
}

#endif
