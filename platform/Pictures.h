// The program's small pictures at the screen's scale. Each exists drawn at
// 16 x 16 and at 32 x 32; above 96 DPI the 32 x 32 one is used, copied as it is
// at twice the size and averaged down otherwise. The transparent colour of a
// picture becomes alpha before scaling, so the edges blend into whatever is
// under them instead of leaving a fringe of the key colour.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/Handles.h"

namespace tarvolo {

// Premultiplied 0xAARRGGBB pixels, rows top down.
struct ArgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// Each target pixel is the area-weighted average of the source pixels it
// covers (premultiplied, so transparent pixels add no colour). Only for
// shrinking or copying: a target larger than the source is returned unchanged.
ArgbPicture ScaleDown(const ArgbPicture& source, int width, int height);

// Cell `index` (square, as high as the strip) of a bitmap resource, with `key`
// pixels transparent, at `size` x `size`: from `resource32` when size > 16.
UniqueBitmap LoadScaledPicture(int resource16, int resource32, COLORREF key, int index, int size);

// Draws a picture made by LoadScaledPicture at its own size.
void DrawScaledPicture(HDC dc, int x, int y, HBITMAP picture);

}  // namespace tarvolo
