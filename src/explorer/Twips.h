#pragma once

// Lengths of the window's design are in twips; 15 twips make a pixel.
constexpr int twips(int value)
{
    return value / 15;
}
