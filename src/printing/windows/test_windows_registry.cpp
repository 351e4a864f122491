// WriteRegistryBinary over the Windows back end, against the real registry
// (run under Wine by check.sh): an existing key is written, a missing one is
// refused and not created, and an earlier value of another type is replaced.
// Keys the checks need are made, and removed again, by the test itself.
#include "printing/registry_write.h"
#include "printing/windows/windows_registry.h"

#include <cstdio>
#include <vector>

namespace {
// Taken before windows.h makes macros of these names.
constexpr pennaro::HKEY kCurrentUser = pennaro::HKEY_CURRENT_USER;
constexpr pennaro::HKEY kLocalMachine = pennaro::HKEY_LOCAL_MACHINE;
}  // namespace

#include <windows.h>

namespace {

using pennaro::RegFunction::WriteRegistryBinary;

int failures = 0;

void check(bool ok, const char *what) {
    std::printf("%s: %s\n", ok ? "PASS" : "FAIL", what);
    if (!ok)
        ++failures;
}

bool keyExists(HKEY root, const char *path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

struct Value {
    DWORD type = 0;
    std::vector<std::uint8_t> data;
};

// The value as the registry holds it; type REG_NONE and no data when missing.
Value readValue(HKEY root, const char *path, const char *name) {
    Value value;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.resize(size);
        if (RegQueryValueExA(key, name, nullptr, &value.type, value.data.data(), &size) != ERROR_SUCCESS)
            value = Value{};
    }
    RegCloseKey(key);
    return value;
}

bool makeKey(HKEY root, const char *path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::vector<std::uint8_t> pattern(int size) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < size; ++i)
        bytes.push_back(std::uint8_t(i * 7 + 1));
    return bytes;
}

void underCurrentUser(pennaro::WindowsRegistry &registry) {
    const char *base = "Software\\Pennaro test";
    const char *printer = "Software\\Pennaro test\\Printers\\EPSON Stylus COLOR 440";
    RegDeleteTreeA(HKEY_CURRENT_USER, base);
    check(makeKey(HKEY_CURRENT_USER, printer), "the test's key is made");

    const std::vector<std::uint8_t> record = pattern(442);
    check(WriteRegistryBinary(registry, kCurrentUser, printer, "Default DevMode", record),
          "an existing key is written");
    Value value = readValue(HKEY_CURRENT_USER, printer, "Default DevMode");
    check(value.type == REG_BINARY && value.data == record, "the value holds the 442 bytes as REG_BINARY");

    // An earlier value of another type: replaced, type and all.
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, printer, 0, KEY_SET_VALUE, &key);
    RegSetValueExA(key, "Other", 0, REG_SZ, reinterpret_cast<const BYTE *>("text"), 5);
    RegCloseKey(key);
    check(WriteRegistryBinary(registry, kCurrentUser, printer, "other", {1, 2, 3}),
          "a value of another type is written");
    value = readValue(HKEY_CURRENT_USER, printer, "Other");
    check(value.type == REG_BINARY && value.data == std::vector<std::uint8_t>{1, 2, 3},
          "the earlier REG_SZ value is replaced by REG_BINARY");
    check(WriteRegistryBinary(registry, kCurrentUser, printer, "Empty", {}), "an empty value is written");
    value = readValue(HKEY_CURRENT_USER, printer, "Empty");
    check(value.type == REG_BINARY && value.data.empty(), "the empty value is REG_BINARY without bytes");

    // A missing key, or one below a missing key, is refused and not made.
    const char *missing = "Software\\Pennaro test\\Printers\\No Such Printer";
    check(!WriteRegistryBinary(registry, kCurrentUser, missing, "Default DevMode", record), "a missing key is refused");
    check(!keyExists(HKEY_CURRENT_USER, missing), "the missing key was not created");
    const char *deeper = "Software\\Pennaro test\\Absent\\Printers\\X";
    check(!WriteRegistryBinary(registry, kCurrentUser, deeper, "Default DevMode", record),
          "a key below a missing key is refused");
    check(!keyExists(HKEY_CURRENT_USER, "Software\\Pennaro test\\Absent"), "nothing was created on the way");

    // Handles go back to the system: opening and closing many times works.
    bool allWritten = true;
    for (int i = 0; i < 2000; ++i)
        allWritten = allWritten && WriteRegistryBinary(registry, kCurrentUser, printer, "Default DevMode", record);
    check(allWritten, "2000 writes in a row succeed");
    RegDeleteTreeA(HKEY_CURRENT_USER, base);
}

// The root the Print command uses, spelled as the system spells it.
void underLocalMachine(pennaro::WindowsRegistry &registry) {
    const char *printer = "System\\CurrentControlSet\\Control\\Print\\Printers\\EPSON Stylus COLOR 440";
    const bool existed = keyExists(HKEY_LOCAL_MACHINE, printer);
    if (!existed && !makeKey(HKEY_LOCAL_MACHINE, printer)) {
        std::printf("SKIP: no right to make a key below HKEY_LOCAL_MACHINE\n");
        return;
    }
    const std::vector<std::uint8_t> record = pattern(442);
    check(WriteRegistryBinary(registry, kLocalMachine, printer, "Pennaro test value", record),
          "the printer's key below HKEY_LOCAL_MACHINE is written");
    const Value value = readValue(HKEY_LOCAL_MACHINE, printer, "Pennaro test value");
    check(value.type == REG_BINARY && value.data == record, "and reads back");
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, printer, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "Pennaro test value");
        RegCloseKey(key);
    }
    if (!existed)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, printer);
}

}  // namespace

int main() {
    pennaro::WindowsRegistry registry;
    underCurrentUser(registry);
    underLocalMachine(registry);
    std::printf("%s\n", failures ? "FAILED" : "all passed");
    return failures ? 1 : 0;
}
