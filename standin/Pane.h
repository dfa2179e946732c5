// What one pane's controller, webview and settings share: its ordinal, the
// steering read at its environment request, its child window and its history.
#pragma once

#include "Completions.h"
#include "Config.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace standin {

class Pane : public std::enable_shared_from_this<Pane> {
public:
    Pane(int ordinal, std::shared_ptr<const Config> config);
    ~Pane();
    Pane(const Pane&) = delete;
    Pane& operator=(const Pane&) = delete;

    int Ordinal() const { return ordinal; }
    const Config& Steering() const { return *config; }

    // The child window, made inside CreateCoreWebView2Controller before it
    // returns, as the real engine does. Visible, empty until placed.
    HRESULT CreateWindowIn(HWND parentWindow);
    HWND Window() const { return window.load(); }
    HWND ParentWindow() const { return parent; }
    // Destroys the window (or has its own thread do it) and forgets it.
    void DiscardWindow();

    void SetBounds(const RECT& rect);
    RECT Bounds() const { return bounds; }
    void SetVisible(bool visibleNow);
    bool IsVisible() const { return visible; }

    // While the controller creation is queued: if the window goes first (its
    // parent was destroyed), the creation is aborted with E_ABORT at once.
    void AwaitCreation(CompletionTicket ticket) { creationTicket = ticket; }
    void CreationDelivered() { creationTicket = 0; }

    // After Close most methods fail, as they do in the real engine.
    void Close();
    bool IsClosed() const { return closed; }

    // Navigation history: each address repaints the window.
    void Navigate(const std::wstring& address);
    // The address gone back to, or none at the first page.
    std::optional<std::wstring> GoBack();
    bool CanGoBack() const;
    bool CanGoForward() const;
    std::wstring Address() const;

    // Called by the window when it is destroyed, by whoever.
    void WindowDestroyed(HWND destroyed);

private:
    void ShowAddress();

    const int ordinal;
    const std::shared_ptr<const Config> config;
    std::atomic<HWND> window{nullptr};
    HWND parent = nullptr;
    RECT bounds = {};
    bool visible = true;
    bool closed = false;
    std::atomic<CompletionTicket> creationTicket{0};

    mutable std::mutex historyLock; // the window paints on its own thread
    std::vector<std::wstring> history;
    size_t current = 0;
};

// DLL life: the class of the pane windows, and FreeLibrary.
bool RegisterPaneWindowClass(HINSTANCE instance);
void ShutDownPaneWindows();

} // namespace standin
