// Before windows.h, which makes macros of several names our header declares.
#include "printing/windows/windows_registry.h"

#include <windows.h>

namespace pennaro {

namespace {

// Our handles are the predefined roots' 32-bit values or the pointers the
// system gave out for open keys. The system spells a root as its value
// sign-extended to a pointer (0xFFFFFFFF80000002 on 64-bit Windows).
::HKEY toNative(HKEY key) {
    if (!registryRootName(key).empty())
        return reinterpret_cast<::HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(static_cast<DWORD>(key))));
    return reinterpret_cast<::HKEY>(static_cast<ULONG_PTR>(key));
}

}  // namespace

long WindowsRegistry::RegOpenKeyExA(HKEY root, const std::string &subKey, std::uint32_t options,
                                    std::uint32_t samDesired, HKEY *result) {
    ::HKEY opened = nullptr;
    const LONG status = ::RegOpenKeyExA(toNative(root), subKey.c_str(), options, samDesired, &opened);
    if (status != ERROR_SUCCESS)
        return status;
    if (!result) {
        ::RegCloseKey(opened);  // nobody could ever close it
        return status;
    }
    *result = static_cast<HKEY>(reinterpret_cast<ULONG_PTR>(opened));
    return status;
}

long WindowsRegistry::RegSetValueExA(HKEY key, const std::string &valueName, std::uint32_t reserved, std::uint32_t type,
                                     const std::uint8_t *data, std::uint32_t size) {
    return ::RegSetValueExA(toNative(key), valueName.c_str(), reserved, type, data, size);
}

long WindowsRegistry::RegCloseKey(HKEY key) { return ::RegCloseKey(toNative(key)); }

}  // namespace pennaro
