// Registry routines (module RegFunction): writing a binary value. Free of Qt,
// so that the Windows back end and its test build it with the cross compiler.
#pragma once

#include "platform/registry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pennaro::RegFunction {

// Writes data as a REG_BINARY value named valueName into the existing key
// keyPath below root; key path and value name are in the system's ANSI code
// page. A missing key is not created. True when the value was written;
// false, with nothing written, when the key is missing, access is refused
// or the write fails. Holds no key open afterwards.
bool WriteRegistryBinary(Registry &registry, const HKEY &root, const std::string &keyPath, const std::string &valueName,
                         const std::vector<std::uint8_t> &data);

}  // namespace pennaro::RegFunction
