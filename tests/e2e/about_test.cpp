// The about box and the help of the real program: a fresh box each time, Escape,
// the mail link, and the HTML help opened at the right topic.
#include <gtest/gtest.h>

#include "tests/e2e/keys_fixture.h"
#include "tarvolo_version.h"

using namespace e2e;
using namespace std::chrono_literals;

TEST(About, FreshEachTimeEscapeClosesAndTheMailLink) {
    TestDir dir;
    OpenRecorder mail(dir, L"mailto", true);
    Program program(dir);
    HWND main = StartLoaded(program, -1);
    ASSERT_TRUE(main);

    HWND first = nullptr;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(Front(main));
        Chord({VK_MENU}, 'B');
        HWND about = program.WaitWindow("About...");
        // "b" in the search box would mean the Alt was lost on its way.
        ASSERT_TRUE(about) << "Alt+B did not open the about box; the search box holds \""
                           << Text(program.Control(tarvolo::IDC_DIRTOFIND)) << "\"; " << KeyboardState();
        EXPECT_TRUE(ChildByText(about, "Static", TARVOLO_TITLE));
        EXPECT_TRUE(ChildByText(about, "Static", "The Tarvolo developers"));
        if (round == 0) {
            first = about;
        } else {
            EXPECT_NE(about, first) << "the box was not made afresh";
            EXPECT_FALSE(::IsWindow(first)) << "the first box outlived its closing";
        }
        ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == about; }));
        Key(VK_ESCAPE);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(about); })) << "Escape did not close the about box";
    }

    ASSERT_TRUE(Front(main));
    Chord({VK_MENU}, 'B');
    HWND about = program.WaitWindow("About...");
    ASSERT_TRUE(about);
    HWND link = ChildByText(about, "Button", "tarvolo@localhost");
    ASSERT_TRUE(link);
    ::PostMessageW(link, BM_CLICK, 0, 0);
    EXPECT_EQ(mail.Wait(1), "mailTo:tarvolo@localhost");
    ::PostMessageW(about, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(about); }));
}

TEST(Help, OpensTheHtmlHelpAtTheTopicOfEachOptionsPage) {
    TestDir dir;
    OpenRecorder browser(dir, L".html");
    Program program(dir);
    ASSERT_TRUE(CopyHelpBeside(program)) << "no Tarvolo.html beside the built program";
    HWND main = StartLoaded(program, -1);
    ASSERT_TRUE(main);

    // The Help button: the contents, no topic.
    ::PostMessageW(::GetDlgItem(main, tarvolo::IDC_BTNHELP), BM_CLICK, 0, 0);
    std::string contents = browser.Wait(1);
    const std::string page = "/program/Tarvolo.html";
    ASSERT_NE(contents.find(page), std::string::npos) << contents;
    EXPECT_EQ(contents.rfind("file:///", 0), 0u) << contents;
    EXPECT_EQ(contents.find('#'), std::string::npos) << contents;

    HWND options = OpenOptions(program, main);
    ASSERT_TRUE(options);
    const char* topics[] = {"IDH_1910", "IDH_2010", "IDH_2110"};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(topics[i]);
        ASSERT_TRUE(Front(options));
        Chord({VK_MENU}, 'H');
        std::string opened = browser.Wait(i + 2);
        EXPECT_NE(opened.find(page + "#" + topics[i]), std::string::npos) << opened;
        ASSERT_TRUE(Front(options));
        Chord({VK_CONTROL}, VK_TAB);
    }
    Key(VK_ESCAPE);
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(options); }));

    // Every topic the program asks for is in the document.
    std::string html;
    ReadFileBytes(program.File("Tarvolo.html"), html);
    for (const char* topic : topics)
        EXPECT_NE(html.find(std::string("id=\"") + topic + "\""), std::string::npos);
}
