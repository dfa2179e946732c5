// A WebView2Loader.dll without the loader's export, to show that Tavlio treats
// it as no engine at all.
extern "C" __declspec(dllexport) int NotTheEngine()
{
    return 0;
}
