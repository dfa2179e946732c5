// Completion delivery as the real engine does it: never inside the request,
// always later on the thread that made it, through that thread's message
// queue, so only a thread that pumps messages ever sees a handler run.
#pragma once

#include "ComRef.h"
#include "Trace.h"

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace standin {

// A completion the engine owes a caller. It holds a reference on the handler
// from the request until it has been called (or, if never, until unload).
class Completion {
public:
    virtual ~Completion() = default;
    // Calls the handler with the result decided at the request.
    virtual void Deliver() = 0;
    // Calls the handler with an error that overtook that result.
    virtual void Abort(HRESULT error) = 0;
};

// 0 stands for no ticket.
using CompletionTicket = UINT_PTR;

// Queues a completion on the calling thread: posted at once for no delay, by
// a timer otherwise. The ticket lets the request abort it later.
CompletionTicket Schedule(std::unique_ptr<Completion> completion, DWORD delayMs);
// Keeps a completion that is never delivered (the -silent modes) until unload.
void Withhold(std::unique_ptr<Completion> completion);
// Takes a queued completion out and aborts it at once. False if it has
// already been delivered or aborted.
bool AbortNow(CompletionTicket ticket, HRESULT error);
// Completions queued or withheld and not yet delivered.
long PendingCompletions();

// DLL life: the window class for delivery, a thread that ends, FreeLibrary.
bool RegisterPostOfficeClass(HINSTANCE instance);
void ForgetCurrentThread();
void ShutDownCompletions();

// Calls a handler, traced as Invoke.<name> before and Returned.<name> after.
// The value is an object (traced as object/null) or a string that stays valid
// for the call.
template <typename Handler, typename Value>
HRESULT InvokeHandler(int pane, std::string_view name, Handler* handler, HRESULT error, Value value)
{
    TraceRecord invoke(pane, std::string("Invoke.").append(name));
    invoke.Code(error);
    if constexpr (std::is_convertible_v<Value, const wchar_t*>) {
        invoke.String(value);
    } else {
        invoke.Object(value);
    }
    invoke.Write();
    const HRESULT returned = handler->Invoke(error, value);
    TraceRecord(pane, std::string("Returned.").append(name)).Code(returned).Write();
    return returned;
}

// A completion that hands the handler a string: script ids, script results,
// DevTools results.
template <typename Handler>
class TextCompletion final : public Completion {
public:
    TextCompletion(int pane, std::string_view name, Handler* handler, std::wstring text)
        : pane(pane), name(name), handler(handler), text(std::move(text))
    {
    }

    void Deliver() override { InvokeHandler(pane, name, handler.get(), S_OK, text.c_str()); }
    void Abort(HRESULT error) override { InvokeHandler(pane, name, handler.get(), error, static_cast<const wchar_t*>(nullptr)); }

private:
    int pane;
    std::string name;
    ComRef<Handler> handler;
    std::wstring text;
};

} // namespace standin
