// The registry interface over the Windows registry itself (advapi32), for
// the Windows build: keys, values and access rights are the system's. It is
// built and tested on its own with the MinGW-w64 cross compiler (check.sh);
// the Linux build does not use it.
#pragma once

#include "platform/registry.h"

namespace pennaro {

class WindowsRegistry : public Registry {
public:
    long RegOpenKeyExA(HKEY root, const std::string &subKey, std::uint32_t options, std::uint32_t samDesired,
                       HKEY *result) override;
    long RegSetValueExA(HKEY key, const std::string &valueName, std::uint32_t reserved, std::uint32_t type,
                        const std::uint8_t *data, std::uint32_t size) override;
    long RegCloseKey(HKEY key) override;
};

}  // namespace pennaro
