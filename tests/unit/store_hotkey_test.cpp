// The hot key is changed without ever losing the one that works.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "store/Global.h"
#include "store/HotKeyService.h"

namespace tarvolo {
namespace {

// A system where some combinations belong to other programs; a combination is
// held once, by whichever id registered it first.
class FakeRegistrar : public HotKeyRegistrar {
public:
    std::set<std::pair<uint32_t, uint32_t>> takenElsewhere;
    std::map<int, std::pair<uint32_t, uint32_t>> held;  // by id
    std::vector<std::string> calls;

    bool Register(int id, uint32_t modifiers, uint32_t key) override {
        calls.push_back("register " + std::to_string(id));
        const auto combination = std::make_pair(modifiers, key);
        if (held.count(id) || takenElsewhere.count(combination)) return false;
        for (const auto& h : held)
            if (h.second == combination) return false;
        held[id] = combination;
        return true;
    }
    void Unregister(int id) override {
        calls.push_back("unregister " + std::to_string(id));
        held.erase(id);
    }
    // The one combination registered now, or none.
    std::vector<std::pair<uint32_t, uint32_t>> Held() const {
        std::vector<std::pair<uint32_t, uint32_t>> all;
        for (const auto& h : held) all.push_back(h.second);
        return all;
    }
};

constexpr uint16_t kCtrlAltT = kShortcutCtrl | kShortcutAlt | 'T';
constexpr uint16_t kCtrlAltW = kShortcutCtrl | kShortcutAlt | 'W';
constexpr uint16_t kShiftF5 = kShortcutShift | 0x74;

using Combos = std::vector<std::pair<uint32_t, uint32_t>>;

TEST(HotKeyService, ANewCombinationReplacesTheOldOnlyOnceItIsRegistered) {
    FakeRegistrar system;
    HotKeyService hotKey(system);
    ASSERT_TRUE(hotKey.Set(kCtrlAltT));
    EXPECT_EQ(system.Held(), (Combos{{kModControl | kModAlt, 'T'}}));

    EXPECT_TRUE(hotKey.Set(kShiftF5));
    EXPECT_EQ(system.Held(), (Combos{{kModShift, 0x74}}));
    EXPECT_EQ(hotKey.Registered(), kShiftF5);
    // Registered first, given up after.
    EXPECT_EQ(system.calls, (std::vector<std::string>{"register 1", "register 2", "unregister 1"}));

    EXPECT_TRUE(hotKey.Set(kCtrlAltT));  // back to the first id
    EXPECT_EQ(system.Held(), (Combos{{kModControl | kModAlt, 'T'}}));
}

TEST(HotKeyService, ACombinationAnotherProgramHoldsKeepsTheOldOne) {
    FakeRegistrar system;
    system.takenElsewhere.insert({kModControl | kModAlt, 'W'});
    HotKeyService hotKey(system);
    ASSERT_TRUE(hotKey.Set(kCtrlAltT));

    EXPECT_FALSE(hotKey.Set(kCtrlAltW));
    EXPECT_EQ(hotKey.Registered(), kCtrlAltT);
    EXPECT_EQ(system.Held(), (Combos{{kModControl | kModAlt, 'T'}})) << "the working key was given up";

    // At start, with nothing registered yet: nothing is held and the caller is told.
    FakeRegistrar fresh;
    fresh.takenElsewhere.insert({kModControl | kModAlt, 'W'});
    HotKeyService atStart(fresh);
    EXPECT_FALSE(atStart.Set(kCtrlAltW));
    EXPECT_EQ(atStart.Registered(), 0);
    EXPECT_TRUE(fresh.Held().empty());
}

TEST(HotKeyService, ZeroRegistersNothingAndTheSameCombinationIsKept) {
    FakeRegistrar system;
    HotKeyService hotKey(system);
    EXPECT_TRUE(hotKey.Set(0));
    EXPECT_TRUE(system.calls.empty()) << "0 must register nothing";

    ASSERT_TRUE(hotKey.Set(kCtrlAltT));
    system.calls.clear();
    EXPECT_TRUE(hotKey.Set(kCtrlAltT));  // OK without a change: nothing happens
    EXPECT_TRUE(system.calls.empty());

    EXPECT_TRUE(hotKey.Set(0));
    EXPECT_TRUE(system.Held().empty());
    EXPECT_EQ(hotKey.Registered(), 0);

    ASSERT_TRUE(hotKey.Set(kCtrlAltT));
    hotKey.Release();
    EXPECT_TRUE(system.Held().empty());
    hotKey.Release();  // twice is harmless
    EXPECT_EQ(system.calls.back(), "unregister 1");
}

TEST(HotKeyService, TwoServicesOfOneWindowKeepToTheirOwnIds) {
    FakeRegistrar system;
    HotKeyService program(system);
    HotKeyService quickJump(system, 3);
    ASSERT_TRUE(program.Set(kCtrlAltT));
    ASSERT_TRUE(quickJump.Set(kCtrlAltW));
    ASSERT_TRUE(quickJump.Set(kShiftF5));  // changed: the new one before the old one goes
    EXPECT_EQ(system.calls,
              (std::vector<std::string>{"register 1", "register 3", "register 4", "unregister 3"}));
    // The same combination for both is refused: one key cannot open two windows.
    EXPECT_FALSE(quickJump.Set(kCtrlAltT));
    EXPECT_EQ(quickJump.Registered(), kShiftF5);
    EXPECT_TRUE(program.Owns(1) && program.Owns(2) && !program.Owns(3));
    EXPECT_TRUE(quickJump.Owns(3) && quickJump.Owns(4) && !quickJump.Owns(2));
    quickJump.Release();
    EXPECT_EQ(system.Held(), (Combos{{kModControl | kModAlt, 'T'}}));
}

}  // namespace
}  // namespace tarvolo
