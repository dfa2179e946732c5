// ICoreWebView2Settings: Tavlio only sets IsWebMessageEnabled; the other
// properties keep the real engine's defaults and answer with them.
#pragma once

#include "ComObject.h"

namespace standin {

class Settings final : public ComObject<Settings, ICoreWebView2Settings, ObjectKind::Settings> {
public:
    explicit Settings(int pane);

    HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL* isScriptEnabled) override;
    HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL isScriptEnabled) override;
    HRESULT STDMETHODCALLTYPE get_IsWebMessageEnabled(BOOL* isWebMessageEnabled) override;
    HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL isWebMessageEnabled) override;
    HRESULT STDMETHODCALLTYPE get_AreDefaultScriptDialogsEnabled(BOOL* areDefaultScriptDialogsEnabled) override;
    HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL areDefaultScriptDialogsEnabled) override;
    HRESULT STDMETHODCALLTYPE get_IsStatusBarEnabled(BOOL* isStatusBarEnabled) override;
    HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL isStatusBarEnabled) override;
    HRESULT STDMETHODCALLTYPE get_AreDevToolsEnabled(BOOL* areDevToolsEnabled) override;
    HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL areDevToolsEnabled) override;
    HRESULT STDMETHODCALLTYPE get_AreDefaultContextMenusEnabled(BOOL* enabled) override;
    HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL enabled) override;
    HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL* allowed) override;
    HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL allowed) override;
    HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL* enabled) override;
    HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL enabled) override;
    HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL* enabled) override;
    HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL enabled) override;

private:
    // Answers a getter Tavlio should never call, with the real value.
    HRESULT Report(const char* method, BOOL value, BOOL* out);
    HRESULT Refuse(const char* method);

    const int pane;
    // On by default, like every other setting of the real engine.
    BOOL isWebMessageEnabled = TRUE;
};

} // namespace standin
