// The handle owners close what they own once and keep the live count honest.
#include <gtest/gtest.h>

#include <thread>
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

// On a thread of its own, so the test's apartment is the only one there.
TEST(ComApartment, UndoesOnlyTheStartsThatSucceeded) {
    std::thread([] {
        {
            const ComApartment mta(COINIT_MULTITHREADED);
            ASSERT_EQ(mta.Result(), S_OK);
            {
                const ComApartment sta(COINIT_APARTMENTTHREADED);
                EXPECT_EQ(sta.Result(), RPC_E_CHANGED_MODE);
            }
            // Had the refused start been undone, COM would be off here and this a fresh start.
            const ComApartment again(COINIT_MULTITHREADED);
            EXPECT_EQ(again.Result(), S_FALSE) << "the refused start took COM away from the thread";
        }
        const ComApartment after(COINIT_APARTMENTTHREADED);
        EXPECT_EQ(after.Result(), S_OK) << "COM stayed on after every owner was gone";
    }).join();
}

}  // namespace
}  // namespace tarvolo
