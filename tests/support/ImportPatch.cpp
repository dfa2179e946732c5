#include "ImportPatch.h"

namespace {

template <typename T>
T* At(HMODULE module, DWORD offset)
{
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + offset);
}

} // namespace

ImportPatch::ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement)
{
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    const auto* nt = At<const IMAGE_NT_HEADERS>(module, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) {
        return;
    }
    for (auto* entry = At<IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress); entry->Name; ++entry) {
        if (_stricmp(At<const char>(module, entry->Name), dll) != 0) {
            continue;
        }
        auto* names = At<IMAGE_THUNK_DATA>(module, entry->OriginalFirstThunk ? entry->OriginalFirstThunk : entry->FirstThunk);
        auto* addresses = At<IMAGE_THUNK_DATA>(module, entry->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++addresses) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            const auto* byName = At<const IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
            if (strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0) {
                slot = reinterpret_cast<void**>(&addresses->u1.Function);
                original = *slot;
                Write(replacement);
                return;
            }
        }
    }
}

ImportPatch::~ImportPatch()
{
    if (slot) {
        Write(original);
    }
}

void ImportPatch::Write(void* value)
{
    DWORD protection = 0;
    VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &protection);
    *slot = value;
    VirtualProtect(slot, sizeof(void*), protection, &protection);
}
