#include "Settings.h"

#include "Trace.h"

namespace standin {

Settings::Settings(int pane) : pane(pane) {}

HRESULT Settings::Report(const char* method, BOOL value, BOOL* out)
{
    if (!out) {
        return Unexpected(pane, method, E_POINTER);
    }
    *out = value;
    return Unexpected(pane, method, S_OK);
}

HRESULT Settings::Refuse(const char* method)
{
    return Unexpected(pane, method, E_NOTIMPL);
}

HRESULT STDMETHODCALLTYPE Settings::put_IsWebMessageEnabled(BOOL isWebMessageEnabledNow)
{
    isWebMessageEnabled = isWebMessageEnabledNow ? TRUE : FALSE;
    TraceRecord(pane, "Settings.put_IsWebMessageEnabled").Bool(isWebMessageEnabledNow).Result(S_OK).Write();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Settings::get_IsWebMessageEnabled(BOOL* out)
{
    return Report("Settings.get_IsWebMessageEnabled", isWebMessageEnabled, out);
}

HRESULT STDMETHODCALLTYPE Settings::get_IsScriptEnabled(BOOL* out)
{
    return Report("Settings.get_IsScriptEnabled", TRUE, out);
}

HRESULT STDMETHODCALLTYPE Settings::put_IsScriptEnabled(BOOL)
{
    return Refuse("Settings.put_IsScriptEnabled");
}

HRESULT STDMETHODCALLTYPE Settings::get_AreDefaultScriptDialogsEnabled(BOOL* out)
{
    return Report("Settings.get_AreDefaultScriptDialogsEnabled", TRUE, out);
}

HRESULT STDMETHODCALLTYPE Settings::put_AreDefaultScriptDialogsEnabled(BOOL)
{
    return Refuse("Settings.put_AreDefaultScriptDialogsEnabled");
}

HRESULT STDMETHODCALLTYPE Settings::get_IsStatusBarEnabled(BOOL* out)
{
    return Report("Settings.get_IsStatusBarEnabled", TRUE, out);
}

HRESULT STDMETHODCALLTYPE Settings::put_IsStatusBarEnabled(BOOL)
{
    return Refuse("Settings.put_IsStatusBarEnabled");
}

HRESULT STDMETHODCALLTYPE Settings::get_AreDevToolsEnabled(BOOL* out)
{
    return Report("Settings.get_AreDevToolsEnabled", TRUE, out);
}

HRESULT STDMETHODCALLTYPE Settings::put_AreDevToolsEnabled(BOOL)
{
    return Refuse("Settings.put_AreDevToolsEnabled");
}

HRESULT STDMETHODCALLTYPE Settings::get_AreDefaultContextMenusEnabled(BOOL* out)
{
    return Report("Settings.get_AreDefaultContextMenusEnabled", TRUE, out);
}

HRESULT STDMETHODCALLTYPE Settings::put_AreDefaultContextMenusEnabled(BOOL)
{
    return Refuse("Settings.put_AreDefaultContextMenusEnabled");
}

HRESULT STDMETHODCALLTYPE Settings::get_AreHostObjectsAllowed(BOOL* out)
{
    return Report("Settings.get_AreHostObjectsAllowed", TRUE, out);
}

HRESULT STDMETHODCALLTYPE Settings::put_AreHostObjectsAllowed(BOOL)
{
    return Refuse("Settings.put_AreHostObjectsAllowed");
}

HRESULT STDMETHODCALLTYPE Settings::get_IsZoomControlEnabled(BOOL* out)
{
    return Report("Settings.get_IsZoomControlEnabled", TRUE, out);
}

HRESULT STDMETHODCALLTYPE Settings::put_IsZoomControlEnabled(BOOL)
{
    return Refuse("Settings.put_IsZoomControlEnabled");
}

HRESULT STDMETHODCALLTYPE Settings::get_IsBuiltInErrorPageEnabled(BOOL* out)
{
    return Report("Settings.get_IsBuiltInErrorPageEnabled", TRUE, out);
}

HRESULT STDMETHODCALLTYPE Settings::put_IsBuiltInErrorPageEnabled(BOOL)
{
    return Refuse("Settings.put_IsBuiltInErrorPageEnabled");
}

} // namespace standin
