#pragma once
// The fixed pixel art of the round button style (10): for each colour set the
// middle colour, one colour per line of the four edge bands and four corner
// blocks of single cells. Written by scripts/make_roundart.cpp.
#include "controls/colors.h"
#include <array>

namespace melodune {

// A corner cell that is not painted: it keeps the background.
constexpr PackedColor RoundNoCell = -1;

constexpr int RoundCornerWidth = 17;
constexpr int RoundTopRows = 11;
constexpr int RoundBottomRows = 10;

struct RoundArt {
    PackedColor middle;
    std::array<PackedColor, 18> left;   // columns 0..17
    std::array<PackedColor, 17> right;  // columns w - 17..w - 1
    std::array<PackedColor, 12> top;    // rows 0..11
    std::array<PackedColor, 11> bottom; // rows h - 11..h - 1
    // [row][column] from the block's top-left cell: the top blocks cover rows
    // 0..10, the bottom ones rows h - 10..h - 1; the left blocks columns
    // 0..16, the right ones w - 17..w - 1.
    std::array<std::array<PackedColor, RoundCornerWidth>, RoundTopRows> topLeft;
    std::array<std::array<PackedColor, RoundCornerWidth>, RoundTopRows> topRight;
    std::array<std::array<PackedColor, RoundCornerWidth>, RoundBottomRows> bottomLeft;
    std::array<std::array<PackedColor, RoundCornerWidth>, RoundBottomRows> bottomRight;
};

// Normal (also Disabled), Hot (also focused) and Pressed.
enum class RoundSet { Normal, Hot, Pressed };
const RoundArt& roundArt(RoundSet set);

} // namespace melodune
