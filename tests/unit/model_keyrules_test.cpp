// The key rules of the main window, without a window: each table row is one key
// on one control with one set of modifiers.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "model/KeyRules.h"

namespace tarvolo::keys {
namespace {

constexpr unsigned kNone = 0;

TEST(KeyRoute, TabEnterAndArrowsBeforeTheFormsHandlers) {
    struct Case {
        uint16_t key;
        unsigned shift;
        KeyTarget target;
        KeyDownRoute route;
    } cases[] = {
        {kVkTab, kNone, KeyTarget::list, KeyDownRoute::navigation},
        {kVkTab, ssShift, KeyTarget::button, KeyDownRoute::navigation},
        {kVkTab, ssCtrl, KeyTarget::search, KeyDownRoute::navigation},
        {kVkReturn, kNone, KeyTarget::button, KeyDownRoute::pressButton},
        {kVkReturn, kNone, KeyTarget::search, KeyDownRoute::navigation},  // the default button
        {kVkReturn, kNone, KeyTarget::list, KeyDownRoute::navigation},
        {kVkReturn, ssCtrl, KeyTarget::button, KeyDownRoute::formHandlers},  // Find Next, not this button
        {kVkReturn, ssShift, KeyTarget::search, KeyDownRoute::formHandlers},
        {kVkLeft, kNone, KeyTarget::button, KeyDownRoute::walkGroupBack},
        {kVkUp, kNone, KeyTarget::button, KeyDownRoute::walkGroupBack},
        {kVkRight, kNone, KeyTarget::button, KeyDownRoute::walkGroupForward},
        {kVkDown, ssShift, KeyTarget::button, KeyDownRoute::walkGroupForward},
        {kVkDown, kNone, KeyTarget::search, KeyDownRoute::formHandlers},
        {kVkLeft, kNone, KeyTarget::search, KeyDownRoute::formHandlers},
        {kVkUp, kNone, KeyTarget::history, KeyDownRoute::formHandlers},
        {'A', kNone, KeyTarget::button, KeyDownRoute::formHandlers},
        {kVkEscape, kNone, KeyTarget::button, KeyDownRoute::formHandlers},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RouteKeyDown(c.key, c.shift, c.target), c.route)
            << "key " << c.key << " shift " << c.shift << " target " << static_cast<int>(c.target);
}

TEST(FormKeyDown, EachKeyDoesOneThing) {
    struct Case {
        uint16_t key;
        unsigned shift;
        bool listFocused;
        bool findNext, clearSearch, stepList;
        std::optional<char> drive;
    } cases[] = {
        {kVkReturn, ssCtrl, false, true, false, false, std::nullopt},
        {kVkReturn, ssCtrl | ssShift, true, true, false, false, std::nullopt},
        {kVkReturn, ssShift, false, false, false, false, std::nullopt},
        {kVkReturn, kNone, false, false, false, false, std::nullopt},
        {kVkEscape, kNone, false, false, true, false, std::nullopt},
        {kVkEscape, ssCtrl, true, false, true, false, std::nullopt},
        {kVkDown, kNone, false, false, false, true, std::nullopt},
        {kVkUp, ssShift, false, false, false, true, std::nullopt},
        {kVkDown, kNone, true, false, false, false, std::nullopt},  // the list steps by itself
        {'C', ssShift, false, false, false, false, 'C'},
        {'Z', ssShift | ssCtrl, true, false, false, false, 'Z'},
        {'B', ssShift, false, false, false, false, 'B'},
        {'A', ssShift, false, false, false, false, std::nullopt},  // A: is a floppy, never offered
        {'C', kNone, false, false, false, false, std::nullopt},
        {'C', ssCtrl, false, false, false, false, std::nullopt},
        {0x5B, ssShift, false, false, false, false, std::nullopt},  // the Windows key, past Z
        {0x70, ssShift, false, false, false, false, std::nullopt},  // F1
        {'5', ssShift, false, false, false, false, std::nullopt},
    };
    for (const Case& c : cases) {
        const FormKeyDownPlan plan = PlanFormKeyDown(c.key, c.shift, c.listFocused);
        SCOPED_TRACE(testing::Message()
                     << "key " << c.key << " shift " << c.shift << " list " << c.listFocused);
        EXPECT_EQ(plan.findNext, c.findNext);
        EXPECT_EQ(plan.clearSearch, c.clearSearch);
        EXPECT_EQ(plan.stepList, c.stepList);
        EXPECT_EQ(plan.drive, c.drive);
    }
}

TEST(FormKeyDown, CtrlJAloneOpensQuickJump) {
    struct Case {
        uint16_t key;
        unsigned shift;
        bool quickJump;
        std::optional<char> drive;
    } cases[] = {
        {'J', ssCtrl, true, std::nullopt},
        {'J', ssCtrl | ssShift, false, 'J'},         // the drive key stays
        {'J', ssCtrl | ssAlt, false, std::nullopt},  // AltGr+J types a character on some keyboards
        {'J', kNone, false, std::nullopt},           // typing
        {'G', ssCtrl, false, std::nullopt},
    };
    for (const Case& c : cases) {
        const FormKeyDownPlan plan = PlanFormKeyDown(c.key, c.shift, false);
        SCOPED_TRACE(testing::Message() << "key " << c.key << " shift " << c.shift);
        EXPECT_EQ(plan.quickJump, c.quickJump);
        EXPECT_EQ(plan.drive, c.drive);
    }
}

TEST(FormKeyDown, CtrlGAloneSendsTheFrontExplorerFolder) {
    struct Case {
        uint16_t key;
        unsigned shift;
        bool explorerToDialog;
        std::optional<char> drive;
    } cases[] = {
        {'G', ssCtrl, true, std::nullopt},
        {'G', ssCtrl | ssShift, false, 'G'},         // the drive key stays
        {'G', ssCtrl | ssAlt, false, std::nullopt},  // AltGr+G types a character on some keyboards
        {'G', kNone, false, std::nullopt},           // typing
        {'G', ssShift, false, 'G'},
        {'H', ssCtrl, false, std::nullopt},
    };
    for (const Case& c : cases) {
        for (const bool listFocused : {false, true}) {
            const FormKeyDownPlan plan = PlanFormKeyDown(c.key, c.shift, listFocused);
            SCOPED_TRACE(testing::Message()
                         << "key " << c.key << " shift " << c.shift << " list " << listFocused);
            EXPECT_EQ(plan.explorerToDialog, c.explorerToDialog);
            EXPECT_EQ(plan.drive, c.drive);
            EXPECT_FALSE(plan.findNext || plan.clearSearch || plan.stepList);
        }
    }
}

TEST(StepRow, MovesOneRowAndStopsAtEitherEnd) {
    struct Case {
        uint16_t key;
        long selected, count;
        std::optional<long> next;
    } cases[] = {
        {kVkDown, 0, 5, 1},
        {kVkDown, 3, 5, 4},
        {kVkDown, 4, 5, std::nullopt},  // the last row
        {kVkDown, -1, 5, 0},            // nothing selected: the first row
        {kVkDown, -1, 0, std::nullopt},
        {kVkDown, 0, 1, std::nullopt},
        {kVkUp, 4, 5, 3},
        {kVkUp, 1, 5, 0},
        {kVkUp, 0, 5, std::nullopt},  // the first row
        {kVkUp, -1, 5, std::nullopt},
        {kVkUp, 0, 0, std::nullopt},
        {kVkDown, 7, 5, std::nullopt},  // a stale selection past the end moves nowhere
        {kVkUp, 9, 5, std::nullopt},
        {kVkUp, 5, 5, 4},
        {kVkLeft, 2, 5, std::nullopt},
        {kVkDown, 999'999, 1'000'000, std::nullopt},
        {kVkDown, 999'998, 1'000'000, 999'999},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StepRow(c.key, c.selected, c.count), c.next)
            << "key " << c.key << " from " << c.selected << " of " << c.count;
}

TEST(KeyDownFinish, HistoryAndStepsFirstThenTypingOnButtons) {
    struct Case {
        uint16_t key;
        unsigned shift;
        KeyTarget target;
        bool listHadFocus;
        KeyDownEnd end;
        bool typeOnButton;
    } cases[] = {
        {'A', kNone, KeyTarget::history, false, KeyDownEnd::history, false},
        {kVkDown, kNone, KeyTarget::history, false, KeyDownEnd::history, false},
        {kVkDown, kNone, KeyTarget::search, false, KeyDownEnd::taken, false},
        {kVkUp, kNone, KeyTarget::other, false, KeyDownEnd::taken, false},  // the drive list must not step
        {kVkDown, kNone, KeyTarget::list, true, KeyDownEnd::navigation, false},
        {'A', kNone, KeyTarget::button, false, KeyDownEnd::navigation, true},
        {'A', ssShift, KeyTarget::button, false, KeyDownEnd::navigation, true},
        {'A', ssAlt, KeyTarget::button, false, KeyDownEnd::navigation, false},   // an access key
        {'C', ssCtrl, KeyTarget::button, false, KeyDownEnd::navigation, false},  // a copy
        {kVkReturn, ssCtrl, KeyTarget::search, false, KeyDownEnd::dispatchPastNavigation, false},
        {kVkReturn, ssShift, KeyTarget::button, false, KeyDownEnd::dispatchPastNavigation, true},
        {kVkEscape, kNone, KeyTarget::search, false, KeyDownEnd::controlOnly, false},
        {kVkEscape, kNone, KeyTarget::button, false, KeyDownEnd::controlOnly, true},
        {'A', kNone, KeyTarget::search, false, KeyDownEnd::navigation, false},
        {'A', kNone, KeyTarget::list, true, KeyDownEnd::navigation, false},
    };
    for (const Case& c : cases) {
        const KeyDownFinish finish = FinishKeyDown(c.key, c.shift, c.target, c.listHadFocus);
        SCOPED_TRACE(testing::Message()
                     << "key " << c.key << " shift " << c.shift << " target " << static_cast<int>(c.target));
        EXPECT_EQ(finish.end, c.end);
        EXPECT_EQ(finish.typeOnButton, c.typeOnButton);
    }
}

TEST(TypedText, ControlCharactersAreNeverSearchText) {
    for (char32_t ch : {U'\0', U'\b', U'\t', U'\n', U'\r', U'\x1B', U'\x1F', U'\x7F', U'\x03'})
        EXPECT_FALSE(IsTypedText(ch)) << static_cast<uint32_t>(ch);
    for (char32_t ch : {U' ', U'a', U'~', U'\x80', U'\xE9', U'\x65E5', U'\x1F600'})
        EXPECT_TRUE(IsTypedText(ch)) << static_cast<uint32_t>(ch);
}

TEST(ButtonKeyChar, ModifiersAndLocksTypeNothingOtherKeysTheirCode) {
    for (uint16_t key : {kVkShift, kVkControl, kVkMenu, kVkCapital, kVkNumLock, kVkScroll, kVkLWin, kVkRWin,
                         kVkApps, uint16_t{0xA0}, uint16_t{0xA3}, uint16_t{0xA5}, kVkReturn, kVkEscape,
                         kVkTab, uint16_t{0x08}, uint16_t{0x7F}, uint16_t{0x100}})
        EXPECT_EQ(ButtonKeyChar(key), std::nullopt) << key;
    struct Case {
        uint16_t key;
        char32_t ch;
    } cases[] = {{'A', U'A'},     {'Z', U'Z'},     {'0', U'0'},  {0x20, U' '}, {0x70, U'p'},  // F1's code
                 {0xBA, U'\xBA'}, {0xA6, U'\xA6'}, {0x121, U'!'}};
    for (const Case& c : cases) EXPECT_EQ(ButtonKeyChar(c.key), c.ch) << c.key;
}

TEST(CharFinish, TypingElsewhereIsTakenUnlessTheControlNeedsIt) {
    struct Case {
        char32_t ch;
        KeyTarget target;
        bool searchFocused;
        CharEnd end;
    } cases[] = {
        {U'a', KeyTarget::history, false, CharEnd::history},
        {U'\b', KeyTarget::history, false, CharEnd::history},
        {U'a', KeyTarget::search, true, CharEnd::navigation},
        {U'a', KeyTarget::button, false, CharEnd::navigation},
        {U'\b', KeyTarget::other, false, CharEnd::navigation},
        {U'\r', KeyTarget::list, false, CharEnd::navigation},
        {U'c', KeyTarget::other, false, CharEnd::taken},  // the drive list must not jump to C:
        {U'c', KeyTarget::list, false, CharEnd::navigation},
        {U'\x1F600', KeyTarget::list, false, CharEnd::taken},
        {U'\x1F600', KeyTarget::search, true, CharEnd::navigation},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FinishChar(c.ch, c.target, c.searchFocused), c.end)
            << static_cast<uint32_t>(c.ch) << " target " << static_cast<int>(c.target);
}

TEST(SurrogatePairing, JoinsTheTwoHalvesOfOneCharacter) {
    SurrogatePairing pairing;
    EXPECT_EQ(pairing.Take(0xD83D, true), std::nullopt);
    EXPECT_TRUE(pairing.Waiting());
    EXPECT_EQ(pairing.Take(0xDE00, true), U'\x1F600');
    EXPECT_FALSE(pairing.Waiting());
    EXPECT_EQ(pairing.Take(U'a', true), U'a');

    // The highest and lowest characters outside the basic plane.
    EXPECT_EQ(pairing.Take(0xD800, true), std::nullopt);
    EXPECT_EQ(pairing.Take(0xDC00, true), U'\x10000');
    EXPECT_EQ(pairing.Take(0xDBFF, true), std::nullopt);
    EXPECT_EQ(pairing.Take(0xDFFF, true), U'\x10FFFF');
}

TEST(SurrogatePairing, LoneHalvesPassOnAsTheyAre) {
    SurrogatePairing pairing;
    EXPECT_EQ(pairing.Take(0xDE00, true), char32_t{0xDE00}) << "a second half with no first";

    // A first half that may not wait (the search box takes its halves itself).
    EXPECT_EQ(pairing.Take(0xD83D, false), char32_t{0xD83D});
    EXPECT_EQ(pairing.Take(0xDE00, true), char32_t{0xDE00});

    // A first half followed by something else: the wait ends, nothing is joined later.
    EXPECT_EQ(pairing.Take(0xD83D, true), std::nullopt);
    EXPECT_EQ(pairing.Take(U'b', true), U'b');
    EXPECT_FALSE(pairing.Waiting());
    EXPECT_EQ(pairing.Take(0xDE00, true), char32_t{0xDE00});

    // A second first half replaces the first.
    EXPECT_EQ(pairing.Take(0xD83D, true), std::nullopt);
    EXPECT_EQ(pairing.Take(0xD83E, true), std::nullopt);
    EXPECT_EQ(pairing.Take(0xDD14, true), U'\x1F914');

    // A first half that may not wait cancels one that does.
    EXPECT_EQ(pairing.Take(0xD83D, true), std::nullopt);
    EXPECT_EQ(pairing.Take(0xD83E, false), char32_t{0xD83E});
    EXPECT_EQ(pairing.Take(0xDE00, true), char32_t{0xDE00});
}

TEST(SurrogatePairing, EachWindowKeepsItsOwnHalf) {
    SurrogatePairing one, two;
    EXPECT_EQ(one.Take(0xD83D, true), std::nullopt);
    EXPECT_EQ(two.Take(0xDE00, true), char32_t{0xDE00});
    EXPECT_EQ(one.Take(0xDE00, true), U'\x1F600');
}

// Typed before the rows came: the same text as each character typed against the rows would leave.
TEST(AcceptTyped, EachCharacterTakenBackWhenItsTextMatchesNothing) {
    // Names the rows begin with; a text matches when some name begins with it.
    const std::vector<std::string> names = {"program files", "projects", "users", "\xc3\xa9t\xc3\xa9"};
    const auto matches = [&](std::string_view text) {
        for (const std::string& name : names)
            if (name.compare(0, text.size(), text) == 0) return true;
        return false;
    };
    struct Case {
        const char* typed;
        const char* accepted;
    } cases[] = {
        {"", ""},
        {"proj", "proj"},
        {"prox", "pro"},     // the last character taken back
        {"prxojz", "proj"},  // one in the middle taken back, those after it still tried
        {"xyz", ""},         // nothing matches: the box is emptied, as each key would have left it
        {"users", "users"},
        {"\xc3\xa9t\xc3\xa9x", "\xc3\xa9t\xc3\xa9"},  // characters of two bytes taken whole
        {"\xc3\xa9\xc3\xa9", "\xc3\xa9"},             // a character never split into its bytes
    };
    for (const Case& c : cases) EXPECT_EQ(AcceptTyped(c.typed, matches), c.accepted) << "typed " << c.typed;
}

}  // namespace
}  // namespace tarvolo::keys
