// The default device settings the Print command writes, before every print,
// into the registry key of one printer model, the "EPSON Stylus COLOR 440":
// portrait, 194 x 269 mm paper chosen by the driver, one copy, automatic
// paper source, colour, 180 dpi.
#pragma once

#include <QString>

namespace pennaro {

// The printer's key below HKEY_LOCAL_MACHINE, and the value that holds the
// record.
inline constexpr char kPrinterKeyPath[] = "System\\CurrentControlSet\\Control\\Print\\Printers\\EPSON Stylus COLOR 440";
inline constexpr char kDevModeValueName[] = "Default DevMode";

// The record as text: 442 byte values, each two lowercase hexadecimal
// digits, separated by single commas (1,325 characters). The bytes are a
// Windows DEVMODEA record: its 148-byte public part (device name, dmSize 148,
// dmDriverExtra 294, the fields above) and the driver's 294 private bytes.
QString DefaultDevModeText();

}  // namespace pennaro
