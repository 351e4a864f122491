#include "printing/registry_write.h"

#include <limits>

namespace pennaro::RegFunction {

namespace {

// Read-control plus the six key rights: query value, set value, create
// sub-key, enumerate sub-keys, notify, create link. Deliberately less than
// all access (no delete, no write of the key's owner or permissions).
constexpr std::uint32_t kKeyAccess = 0x2003F;

}  // namespace

bool WriteRegistryBinary(Registry &registry, const HKEY &root, const std::string &keyPath, const std::string &valueName,
                         const std::vector<std::uint8_t> &data) {
    HKEY key = 0;
    if (registry.RegOpenKeyExA(root, keyPath, 0, kKeyAccess, &key) != ERROR_SUCCESS)
        return false;
    bool written = false;
    if (data.size() <= std::numeric_limits<std::uint32_t>::max())
        written = registry.RegSetValueExA(key, valueName, 0, REG_BINARY, data.data(), std::uint32_t(data.size())) ==
                  ERROR_SUCCESS;
    registry.RegCloseKey(key);
    return written;
}

}  // namespace pennaro::RegFunction
