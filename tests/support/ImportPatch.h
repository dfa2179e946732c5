// Points one entry of a module's import table at a replacement, for the life
// of the object, so a test can see a call that would otherwise leave the
// process (ShellExecuteW opening a browser, say).
#pragma once

#include <windows.h>

class ImportPatch {
public:
    ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool Applied() const { return slot != nullptr; }

private:
    void Write(void* value);

    void** slot = nullptr;
    void* original = nullptr;
};
