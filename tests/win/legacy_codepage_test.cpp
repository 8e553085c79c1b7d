// The legacy ANSI code page: read from the system locale, so it is right even
// in a program whose manifest makes CP_ACP UTF-8. CMake runs these tests again
// under a Cyrillic and a Japanese system locale (TARVOLO_EXPECT_LEGACY_CP).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "adapters/WinLocale.h"
#include "platform/WinText.h"

namespace tarvolo {
namespace {

struct Sample {
    UINT codePage;
    std::string legacy;
    std::string utf8;
};

const Sample kSamples[] = {
    {1251, "\\\xCF\xF0\xE8\xE2\xE5\xF2", "\\\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},  // \Привет
    {932, "\\\x93\xFA\x96\x7B\x8C\xEA", "\\\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},  // \日本語 (Shift-JIS)
    {1252, "\\Caf\xE9", "\\Caf\xC3\xA9"},                                           // \Café
};

TEST(LegacyCodePage, IsTheSystemLocalesAnsiCodePage) {
    // These tests carry no UTF-8 setting, so here GetACP() still is the legacy page.
    EXPECT_EQ(LegacyAnsiCodePage(), ::GetACP());
    EXPECT_NE(LegacyAnsiCodePage(), static_cast<UINT>(CP_UTF8));
    if (const char* expected = std::getenv("TARVOLO_EXPECT_LEGACY_CP")) {
        EXPECT_EQ(LegacyAnsiCodePage(), static_cast<UINT>(std::atoi(expected)));
    }
}

TEST(LegacyCodePage, NamesGoBothWaysAndTheDecoderUsesTheSystemPage) {
    const WinAnsiDecoder decoder;
    for (const Sample& s : kSamples) {
        EXPECT_EQ(LegacyToUtf8(s.codePage, s.legacy), s.utf8) << s.codePage;
        EXPECT_EQ(LegacyFromUtf8(s.codePage, s.utf8), s.legacy) << s.codePage;
        if (s.codePage == LegacyAnsiCodePage()) {
            EXPECT_EQ(decoder.ToUtf8(s.legacy), s.utf8);
        }
    }
    // A name outside the code page keeps its place as the default character.
    EXPECT_EQ(LegacyFromUtf8(1252, "\\\xE6\x97\xA5"), "\\?");
}

}  // namespace
}  // namespace tarvolo
