// The three registry calls the printer defaults need, as one small interface
// with a back end per platform: a store of folders and files on Linux
// (printing/file_registry.h), the Windows registry itself on Windows
// (printing/windows/), a scripted one in the tests. Results are Windows error
// codes. Names are bytes in the system's ANSI code page, as the "A" calls of
// the Windows registry take them.
//
// This header stays free of Qt: the Windows back end is built on its own with
// a cross compiler that has no Qt. windows.h defines several of the names
// below as macros, so a file that needs both includes this header first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pennaro {

// A key handle: one of the predefined roots below, or a handle that
// RegOpenKeyExA gave out.
using HKEY = std::uint64_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;

constexpr std::uint32_t REG_BINARY = 3;

constexpr long ERROR_SUCCESS = 0;
constexpr long ERROR_FILE_NOT_FOUND = 2;
constexpr long ERROR_ACCESS_DENIED = 5;
constexpr long ERROR_INVALID_HANDLE = 6;
constexpr long ERROR_WRITE_FAULT = 29;

// The predefined root keys by name; empty for any other handle.
constexpr std::string_view registryRootName(HKEY root) {
    switch (root) {
    case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS: return "HKEY_USERS";
    case HKEY_CURRENT_CONFIG: return "HKEY_CURRENT_CONFIG";
    default: return {};
    }
}

class Registry {
public:
    virtual ~Registry() = default;
    // Opens an existing key below root (a predefined root or an open key);
    // never creates one. subKey separates its parts with '\'.
    virtual long RegOpenKeyExA(HKEY root, const std::string &subKey, std::uint32_t options, std::uint32_t samDesired,
                               HKEY *result) = 0;
    // Writes a value of the open key, replacing an earlier value of that
    // name, its type included.
    virtual long RegSetValueExA(HKEY key, const std::string &valueName, std::uint32_t reserved, std::uint32_t type,
                                const std::uint8_t *data, std::uint32_t size) = 0;
    virtual long RegCloseKey(HKEY key) = 0;
};

}  // namespace pennaro
