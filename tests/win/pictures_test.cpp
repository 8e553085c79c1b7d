// Averaging a picture down: exact copies at the same size, no colour from
// transparent pixels, and lines that stay lines.
#include <gtest/gtest.h>

#include "platform/Pictures.h"

namespace tarvolo {
namespace {

constexpr uint32_t kGrey = 0xFF808080u;  // opaque dark grey, premultiplied

ArgbPicture Filled(int w, int h, uint32_t p) {
    ArgbPicture a;
    a.width = w;
    a.height = h;
    a.pixels.assign(static_cast<size_t>(w * h), p);
    return a;
}

TEST(ScaleDown, SameSizeOrLargerIsACopy) {
    ArgbPicture a = Filled(32, 32, 0);
    a.pixels[5] = kGrey;
    for (int size : {32, 40}) {
        const ArgbPicture b = ScaleDown(a, size, size);
        EXPECT_EQ(b.width, 32);
        EXPECT_EQ(b.pixels, a.pixels);
    }
}

TEST(ScaleDown, HalvingAveragesEachTwoByTwo) {
    // A 2 px line in columns 16-17 of 32 becomes a 1 px line in column 8 of 16,
    // with nothing beside it.
    ArgbPicture a = Filled(32, 32, 0);
    for (int y = 0; y < 32; ++y)
        for (int x : {16, 17}) a.pixels[static_cast<size_t>(y * 32 + x)] = kGrey;
    const ArgbPicture b = ScaleDown(a, 16, 16);
    ASSERT_EQ(b.width, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(b.pixels[static_cast<size_t>(y * 16 + x)], x == 8 ? kGrey : 0u) << x << "," << y;
}

TEST(ScaleDown, TransparentPixelsAddNoColourOnlyCoverage) {
    // An edge pixel partly covered by opaque ones is as transparent as it is
    // uncovered, with the colour in proportion (premultiplied), never the key colour.
    // The left 15 of 32 columns are opaque; `edge` is the target column that
    // straddles source column 15, `alpha` its coverage (0.25 and 0.375 of 255).
    const struct {
        int target;
        uint32_t opaque;
        int edge;
        uint32_t alpha;
    } cases[] = {{24, 0xFFFF0000u, 11, 64}, {24, 0xFF00FF00u, 11, 64}, {20, 0xFF0000FFu, 9, 96}};
    for (const auto& c : cases) {
        ArgbPicture a = Filled(32, 32, 0);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 15; ++x) a.pixels[static_cast<size_t>(y * 32 + x)] = c.opaque;
        const ArgbPicture b = ScaleDown(a, c.target, c.target);
        for (uint32_t p : b.pixels) {
            const uint32_t alpha = p >> 24;
            // The opaque colour scaled by its coverage: a full channel comes out
            // equal to the alpha, an empty one stays empty (no key colour mixed in).
            for (int ch = 0; ch < 3; ++ch) {
                const uint32_t want = ((c.opaque >> (8 * ch)) & 0xFF) ? alpha : 0;
                EXPECT_EQ((p >> (8 * ch)) & 0xFF, want) << std::hex << p;
            }
        }
        EXPECT_EQ(b.pixels[0], c.opaque);                            // fully inside
        EXPECT_EQ(b.pixels[static_cast<size_t>(c.target - 1)], 0u);  // fully outside
        EXPECT_EQ(b.pixels[static_cast<size_t>(c.edge)] >> 24, c.alpha);
    }
}

}  // namespace
}  // namespace tarvolo
