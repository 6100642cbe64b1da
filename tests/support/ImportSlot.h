// Points this test program's own import-table slots for a system function at a wrapper, so a
// test sees every call the code under test makes to it. Works for 32- and 64-bit programs: MinGW
// calls imports through these slots, where the linker's --wrap cannot reach.
#pragma once

#include <windows.h>

#include <cstring>

// Every slot that imports `name` (from `dll`, or from any DLL when `dll` is null) now calls
// `wrapper`; the first slot's old target goes into *real unless it is already set. False when no
// slot was found.
template <class Function>
bool WrapImport(const char* dll, const char* name, Function wrapper, Function* real) {
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    bool wrapped = false;
    for (auto* module = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); module->Name;
         ++module) {
        if (!module->OriginalFirstThunk ||
            (dll && ::lstrcmpiA(reinterpret_cast<const char*>(base + module->Name), dll) != 0))
            continue;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0)
                continue;
            DWORD protection = 0;
            if (!::VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE, &protection))
                return false;
            if (!*real)
                *real = reinterpret_cast<Function>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<decltype(slot->u1.Function)>(wrapper);
            ::VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), protection, &protection);
            wrapped = true;
        }
    }
    return wrapped;
}
