#pragma once
// Layout sizes are kept in twips, the units the windows were designed in;
// at 96 dots per inch a pixel is 15 twips.

namespace hosts {

constexpr int twipsToPixels(int twips) {
    return twips / 15;
}

}  // namespace hosts
