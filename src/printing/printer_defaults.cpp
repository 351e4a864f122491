#include "printing/printer_defaults.h"

#include <string_view>

namespace pennaro {

namespace {

// The record in six pieces as they have always been kept: every piece but the
// last ends with a comma, so that each join falls between two values.
constexpr std::string_view kDevModePieces[] = {
    // piece 1: 57 characters
    "45,50,53,4f,4e,20,53,74,79,6c,75,73,20,43,4f,4c,4f,52,20,",
    // piece 2: 225 characters
    "34,34,30,00,00,00,00,00,00,00,00,00,00,00,04,17,02,94,00,26,01,0f,8b,80,07,01,00,00,03,82,0a,94,"
    "07,00,00,01,00,07,00,b4,00,02,00,00,00,b4,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,"
    "00,00,00,00,00,00,00,00,00,00,00,",
    // piece 3: 300 characters
    "00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,01,00,"
    "00,00,02,00,00,00,01,00,00,00,20,01,00,00,00,00,00,00,00,00,00,00,44,4c,4c,4e,61,6d,65,31,36,3d,"
    "45,50,49,47,55,45,33,50,2e,44,4c,4c,00,00,00,00,00,00,00,00,00,00,44,4c,4c,4e,61,6d,65,33,32,3d,"
    "45,50,49,44,",
    // piece 4: 300 characters
    "41,32,33,30,2e,44,4c,4c,00,00,00,00,00,00,00,00,00,00,45,50,53,4f,4e,20,53,74,79,6c,75,73,20,43,"
    "4f,4c,4f,52,20,34,34,30,00,00,00,00,00,00,00,00,00,00,00,03,02,00,b4,00,b4,00,01,00,00,00,00,00,"
    "00,00,00,01,00,00,00,03,35,05,fa,06,35,05,fa,06,64,00,b4,00,b4,00,5f,05,72,07,15,00,15,00,15,00,"
    "63,00,5f,05,",
    // piece 5: 300 characters
    "72,07,15,00,15,00,15,00,63,00,00,00,00,00,14,00,00,00,00,00,00,00,00,00,32,00,00,00,ff,00,00,00,"
    "00,00,00,00,00,00,18,00,00,00,00,00,e8,03,00,00,02,00,00,00,00,00,00,00,00,00,01,00,04,00,06,00,"
    "02,00,00,00,00,00,00,00,02,00,00,00,00,00,00,00,00,00,00,00,00,00,04,00,00,00,00,00,00,00,00,00,"
    "00,00,00,00,",
    // piece 6: 143 characters
    "00,00,00,00,00,00,00,00,00,00,00,00,00,00,34,08,9a,0b,01,00,02,00,00,00,00,00,00,00,00,00,00,00,"
    "00,00,00,00,00,00,00,00,00,00,00,00,9c,68,c7,1a",
};

constexpr std::size_t kPieceLengths[] = {57, 225, 300, 300, 300, 143};

constexpr bool piecesAreWhole() {
    for (std::size_t i = 0; i < std::size(kDevModePieces); ++i) {
        const std::string_view piece = kDevModePieces[i];
        if (piece.size() != kPieceLengths[i])
            return false;
        if ((i + 1 < std::size(kDevModePieces)) != (piece.back() == ','))
            return false;
    }
    return true;
}
static_assert(std::size(kDevModePieces) == std::size(kPieceLengths) && piecesAreWhole(),
              "a piece of the device-mode text lost or gained characters");

}  // namespace

QString DefaultDevModeText() {
    QString text;
    for (const std::string_view piece : kDevModePieces)
        text += QLatin1StringView(piece.data(), qsizetype(piece.size()));
    return text;
}

}  // namespace pennaro
