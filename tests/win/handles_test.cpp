// The handle owners close what they own once and keep the live count honest.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/Handles.h"

namespace tarvolo {
namespace {

TEST(Unique, CountedOwnersCountWhatTheyHold) {
    const long start = LiveGuiObjects();
    {
        UniqueBrush a(::CreateSolidBrush(RGB(1, 2, 3)));
        EXPECT_EQ(LiveGuiObjects(), start + 1);
        UniqueBrush b(std::move(a));  // moved, not copied: still one
        EXPECT_FALSE(a);
        EXPECT_EQ(LiveGuiObjects(), start + 1);
        a = std::move(b);
        EXPECT_EQ(LiveGuiObjects(), start + 1);
        a.reset(::CreateSolidBrush(RGB(4, 5, 6)));  // the old one is deleted
        EXPECT_EQ(LiveGuiObjects(), start + 1);
        std::vector<UniqueMenu> menus;
        for (int i = 0; i < 3; ++i) menus.emplace_back(::CreatePopupMenu());
        EXPECT_EQ(LiveGuiObjects(), start + 4);
        HMENU handedOver = menus.back().release();  // a new owner closes it
        EXPECT_EQ(LiveGuiObjects(), start + 3);
        ::DestroyMenu(handedOver);
        UniqueIcon none(nullptr);                                             // nothing held, nothing counted
        UniqueHandle kernel(::CreateEventW(nullptr, FALSE, FALSE, nullptr));  // not a GDI or USER object
        EXPECT_EQ(LiveGuiObjects(), start + 3);
    }
    EXPECT_EQ(LiveGuiObjects(), start);
}

}  // namespace
}  // namespace tarvolo
