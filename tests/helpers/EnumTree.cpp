#include "EnumTree.h"

#include "framework/RegKey.h"

#include <sddl.h>
#include <shlwapi.h>

namespace {

std::wstring FullPath(const std::wstring& path) { return L"Enum\\" + path; }

void SetString(HKEY key, const wchar_t* name, const wchar_t* text) {
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                     static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
}

}  // namespace

EnumTree::EnumTree() {
    std::vector<std::wstring> none;
    RemoveAll(none);
}

EnumTree::~EnumTree() { RemoveAll(locked_); }

void EnumTree::RemoveAll(std::vector<std::wstring>& locked) {
    // A locked key is a leaf that may be deleted but not read, so it goes before the tree walk.
    for (const std::wstring& path : locked)
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, FullPath(path).c_str());
    locked.clear();
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, L"Enum");
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Enum");
}

void EnumTree::AddKey(const std::wstring& path) {
    CRegKey key;
    key.Create(HKEY_LOCAL_MACHINE, FullPath(path).c_str());
}

void EnumTree::AddInstance(const std::wstring& path, const wchar_t* portName, const wchar_t* friendlyName) {
    CRegKey key;
    key.Create(HKEY_LOCAL_MACHINE, FullPath(path).c_str());
    if (portName)
        SetString(key.get(), L"PORTNAME", portName);
    if (friendlyName)
        SetString(key.get(), L"FRIENDLYNAME", friendlyName);
}

void EnumTree::AddValue(const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    CRegKey key;
    key.Create(HKEY_LOCAL_MACHINE, FullPath(path).c_str());
    ::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), bytes);
}

void EnumTree::AddLockedKey(const std::wstring& path) {
    CRegKey key;
    key.Create(HKEY_LOCAL_MACHINE, FullPath(path).c_str());
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    // Reading is denied to everyone; deleting stays allowed so the tree can be removed.
    ::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(D;;KR;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &descriptor,
                                                           nullptr);
    ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor);
    ::LocalFree(descriptor);
    locked_.push_back(path);
}
