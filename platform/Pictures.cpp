#include "platform/Pictures.h"

#include <algorithm>

#include "platform/Application.h"

namespace tarvolo {

ArgbPicture ScaleDown(const ArgbPicture& source, int width, int height) {
    if (width <= 0 || height <= 0 || width > source.width || height > source.height) return source;
    ArgbPicture out;
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    // Coordinates in units of 1 / (width * height) of a source pixel keep every
    // overlap an integer, so the result is the same on every machine.
    const int64_t sw = source.width, sh = source.height;
    for (int ty = 0; ty < height; ++ty) {
        const int64_t y0 = ty * sh, y1 = (ty + 1) * sh;  // in 1/height source rows
        for (int tx = 0; tx < width; ++tx) {
            const int64_t x0 = tx * sw, x1 = (tx + 1) * sw;
            uint64_t sum[4] = {};
            for (int64_t sy = y0 / height; sy * height < y1; ++sy) {
                const int64_t cy = std::min(y1, (sy + 1) * height) - std::max(y0, sy * height);
                for (int64_t sx = x0 / width; sx * width < x1; ++sx) {
                    const int64_t cx = std::min(x1, (sx + 1) * width) - std::max(x0, sx * width);
                    const uint32_t p = source.pixels[static_cast<size_t>(sy * sw + sx)];
                    const uint64_t w = static_cast<uint64_t>(cx * cy);
                    for (int c = 0; c < 4; ++c) sum[c] += ((p >> (8 * c)) & 0xFF) * w;
                }
            }
            const uint64_t area = static_cast<uint64_t>(sw * sh);
            uint32_t p = 0;
            for (int c = 0; c < 4; ++c) p |= static_cast<uint32_t>((sum[c] + area / 2) / area) << (8 * c);
            out.pixels[static_cast<size_t>(ty * width + tx)] = p;
        }
    }
    return out;
}

namespace {

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

}  // namespace

UniqueBitmap LoadScaledPicture(int resource16, int resource32, COLORREF key, int index, int size) {
    const int resource = size > 16 ? resource32 : resource16;
    UniqueBitmap strip(static_cast<HBITMAP>(::LoadImageW(
        Application::Get().Instance(), MAKEINTRESOURCEW(resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!strip) return UniqueBitmap();
    BITMAP info{};
    ::GetObjectW(strip.get(), sizeof info, &info);
    const int cell = info.bmHeight;
    if (cell <= 0 || (index + 1) * cell > info.bmWidth) return UniqueBitmap();
    std::vector<uint32_t> all(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(cell));
    BITMAPINFO bi = TopDown32(info.bmWidth, cell);
    const int lines =
        ::GetDIBits(WindowDC(), strip.get(), 0, static_cast<UINT>(cell), all.data(), &bi, DIB_RGB_COLORS);
    if (lines != cell) return UniqueBitmap();
    ArgbPicture picture;
    picture.width = picture.height = cell;
    picture.pixels.reserve(static_cast<size_t>(cell) * static_cast<size_t>(cell));
    const uint32_t keyPixel = (GetRValue(key) << 16) | (GetGValue(key) << 8) | GetBValue(key);
    for (int y = 0; y < cell; ++y) {
        for (int x = 0; x < cell; ++x) {
            const uint32_t p = all[static_cast<size_t>(y * info.bmWidth + index * cell + x)] & 0xFFFFFF;
            picture.pixels.push_back(p == keyPixel ? 0 : 0xFF000000u | p);
        }
    }
    picture = ScaleDown(picture, size, size);
    bi = TopDown32(picture.width, picture.height);
    void* bits = nullptr;
    UniqueBitmap out(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!out || !bits) return UniqueBitmap();
    std::copy(picture.pixels.begin(), picture.pixels.end(), static_cast<uint32_t*>(bits));
    ::GdiFlush();
    return out;
}

void DrawScaledPicture(HDC dc, int x, int y, HBITMAP picture) {
    if (!picture) return;
    BITMAP info{};
    ::GetObjectW(picture, sizeof info, &info);
    MemoryDC source(dc);
    if (!source) return;
    SelectGuard keep(source, picture);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::GdiAlphaBlend(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, info.bmWidth, info.bmHeight, blend);
}

}  // namespace tarvolo
