#include "Completions.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace standin {

namespace {

constexpr UINT kDeliverMessage = WM_APP + 0x5A1;

struct Queued {
    std::unique_ptr<Completion> completion;
    HWND postOffice = nullptr;
    bool byTimer = false;
};

// Heap-allocated and never destroyed at process exit: destroying it then
// would call handlers' Release after the program's own teardown.
struct Registry {
    std::mutex lock;
    std::map<CompletionTicket, Queued> queued;
    std::vector<std::unique_ptr<Completion>> withheld;
    std::map<DWORD, HWND> postOffices; // by thread
    CompletionTicket lastTicket = 0;
};

Registry* registry = nullptr;
std::atomic<long> pending{0};
HINSTANCE moduleInstance = nullptr;
std::wstring postOfficeClass;

void DeliverQueued(CompletionTicket ticket)
{
    std::unique_ptr<Completion> completion;
    {
        std::lock_guard guard(registry->lock);
        const auto found = registry->queued.find(ticket);
        if (found == registry->queued.end()) {
            return; // aborted meanwhile
        }
        completion = std::move(found->second.completion);
        registry->queued.erase(found);
    }
    --pending;
    completion->Deliver();
    // The handler's reference goes with the completion, right after the call.
}

LRESULT CALLBACK PostOfficeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kDeliverMessage:
        DeliverQueued(static_cast<CompletionTicket>(wParam));
        return 0;
    case WM_TIMER:
        KillTimer(window, wParam);
        DeliverQueued(static_cast<CompletionTicket>(wParam));
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// The calling thread's message-only delivery window, made on first need.
HWND PostOfficeOfThisThread()
{
    const DWORD thread = GetCurrentThreadId();
    {
        std::lock_guard guard(registry->lock);
        const auto found = registry->postOffices.find(thread);
        if (found != registry->postOffices.end()) {
            return found->second;
        }
    }
    const HWND window = CreateWindowExW(0, postOfficeClass.c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, moduleInstance, nullptr);
    if (window) {
        std::lock_guard guard(registry->lock);
        registry->postOffices[thread] = window;
    }
    return window;
}

} // namespace

bool RegisterPostOfficeClass(HINSTANCE instance)
{
    moduleInstance = instance;
    registry = new Registry;
    // A class left registered by an earlier load of this DLL (its windows
    // were on threads unload could not reach) keeps its name: pick another.
    for (int attempt = 0; attempt < 64; ++attempt) {
        postOfficeClass = L"TavlioStandinPostOffice" + std::to_wstring(attempt);
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = PostOfficeProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = postOfficeClass.c_str();
        if (RegisterClassExW(&windowClass)) {
            return true;
        }
    }
    return false;
}

CompletionTicket Schedule(std::unique_ptr<Completion> completion, DWORD delayMs)
{
    const HWND postOffice = PostOfficeOfThisThread();
    if (!postOffice) {
        // No window, no delivery: like a request that never completes.
        Withhold(std::move(completion));
        return 0;
    }
    CompletionTicket ticket;
    {
        std::lock_guard guard(registry->lock);
        ticket = ++registry->lastTicket;
        registry->queued.emplace(ticket, Queued{std::move(completion), postOffice, delayMs > 0});
    }
    ++pending;
    if (delayMs == 0) {
        PostMessageW(postOffice, kDeliverMessage, ticket, 0);
    } else {
        // The ticket doubles as the timer id: unique and never 0.
        SetTimer(postOffice, ticket, delayMs, nullptr);
    }
    return ticket;
}

void Withhold(std::unique_ptr<Completion> completion)
{
    std::lock_guard guard(registry->lock);
    registry->withheld.push_back(std::move(completion));
    ++pending;
}

bool AbortNow(CompletionTicket ticket, HRESULT error)
{
    Queued aborted;
    {
        std::lock_guard guard(registry->lock);
        const auto found = registry->queued.find(ticket);
        if (found == registry->queued.end()) {
            return false;
        }
        aborted = std::move(found->second);
        registry->queued.erase(found);
    }
    --pending;
    if (aborted.byTimer) {
        // Only works on the timer's own thread; elsewhere WM_TIMER finds no
        // ticket and kills the timer itself.
        KillTimer(aborted.postOffice, ticket);
    }
    aborted.completion->Abort(error);
    return true;
}

long PendingCompletions()
{
    return pending.load();
}

void ForgetCurrentThread()
{
    if (!registry) {
        return;
    }
    HWND postOffice = nullptr;
    {
        std::lock_guard guard(registry->lock);
        const auto found = registry->postOffices.find(GetCurrentThreadId());
        if (found == registry->postOffices.end()) {
            return;
        }
        postOffice = found->second;
        registry->postOffices.erase(found);
    }
    // What was queued for this thread can no longer be delivered: it stays
    // pending and is released at unload.
    DestroyWindow(postOffice);
}

void ShutDownCompletions()
{
    std::map<CompletionTicket, Queued> queued;
    std::vector<std::unique_ptr<Completion>> withheld;
    std::map<DWORD, HWND> postOffices;
    {
        std::lock_guard guard(registry->lock);
        queued.swap(registry->queued);
        withheld.swap(registry->withheld);
        postOffices.swap(registry->postOffices);
    }
    const DWORD thread = GetCurrentThreadId();
    for (const auto& [owner, window] : postOffices) {
        if (owner == thread) {
            DestroyWindow(window);
        } else {
            // Another thread's window cannot be destroyed from here; make it
            // harmless once this code is unmapped.
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcW));
        }
    }
    // Releases the handlers held for completions that never came.
    queued.clear();
    withheld.clear();
    pending = 0;
    UnregisterClassW(postOfficeClass.c_str(), moduleInstance);
    delete std::exchange(registry, nullptr);
}

} // namespace standin
