// An index line written by an older tool in the system's legacy code page is
// shown, found and delivered under its real name, and CF_TEXT carries the
// legacy bytes. CMake runs this test again under a Cyrillic and a Japanese
// system locale; this driver has no UTF-8 setting, so its GetACP() names the
// legacy code page the program must use.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/e2e/find_fixture.h"

using namespace e2e;
using namespace e2e::find;
using namespace std::chrono_literals;

namespace {

struct LegacyName {
    UINT codePage;
    const char* legacy;  // the name's bytes in that code page
    const char* utf8;
};

LegacyName NameForThisLocale() {
    static const LegacyName kNames[] = {
        {1251, "\xCF\xF0\xE8\xE2\xE5\xF2", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},  // Привет
        {932, "\x93\xFA\x96\x7B\x8C\xEA", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},               // 日本語
        {1252, "Caf\xE9", "Caf\xC3\xA9"},                                                        // Café
    };
    for (const LegacyName& n : kNames)
        if (n.codePage == ::GetACP()) return n;
    return kNames[2];
}

std::string UntilZero(const std::string& bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

}  // namespace

TEST(CodePage, ALegacyIndexLineIsShownFoundAndDelivered) {
    const LegacyName name = NameForThisLocale();
    const std::string path = std::string("G:\\") + name.utf8;
    TestDir dir;
    Drive drive('G', dir.UnixOf("g"));
    MakeDirs(path);
    ASSERT_TRUE(WriteFileBytes(
        "G:\\tarvolo.dir", Lines({"\\", "\\Alpha", (std::string("\\") + name.legacy).c_str(), "\\Zeta"})));
    Program program(dir);
    WriteIni(program, 0);
    ASSERT_TRUE(StartIdle(program)) << "code page " << name.codePage;
    ASSERT_EQ(Count(program.Control(IDC_DIRLISTBOX)), 4);

    // Typed non-Latin letters arrive as '?' under Wine: the name is pasted.
    ClickSearchBox(program);
    Key(VK_SHIFT);
    PutClipboardText(W(name.utf8));
    Chord({VK_CONTROL}, 'V');
    ASSERT_TRUE(WaitFor([&] { return CurrentPath(program) == path; }, 5s))
        << "code page " << name.codePage << ": the path shows \"" << CurrentPath(program) << "\"";
    EXPECT_EQ(Selected(program.Control(IDC_DIRLISTBOX)), 2);

    ::PostMessageW(program.Main(), WM_COMMAND, MAKEWPARAM(tarvolo::IDC_BTNCOPY, BN_CLICKED),
                   reinterpret_cast<LPARAM>(program.Control(tarvolo::IDC_BTNCOPY)));
    std::string unicode;
    ASSERT_TRUE(WaitFor([&] {
        return ClipboardBytes(CF_UNICODETEXT, unicode) &&
               U(std::wstring(reinterpret_cast<const wchar_t*>(unicode.data()), unicode.size() / 2)
                     .c_str()) == path;
    })) << "Copy did not deliver the path";
    std::string ansi;
    ASSERT_TRUE(ClipboardBytes(CF_TEXT, ansi));
    EXPECT_EQ(UntilZero(ansi), std::string("G:\\") + name.legacy)
        << "CF_TEXT must hold the bytes of code page " << name.codePage;
}
