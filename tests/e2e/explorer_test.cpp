// Explorer's open folders through the real program under Wine, where the
// shell's list of its windows answers with a count of 0 even while one of
// Wine's Explorer windows is open: Ctrl+G says that no folder is open and
// types nothing, and "Explorer Folders" still opens, holding only "(none)".
#include <gtest/gtest.h>

#include "tests/e2e/keys_fixture.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

// One of Wine's own Explorer windows on `folder`, closed at the end.
class WineExplorerWindow {
public:
    explicit WineExplorerWindow(const std::string& folder) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring command = L"explorer.exe " + W(folder);
        if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                              &pi_))
            return;
        WaitFor([&] { return (window_ = ::FindWindowW(L"ExplorerWClass", nullptr)) != nullptr; }, 20s);
    }
    ~WineExplorerWindow() {
        if (window_) ::PostMessageW(window_, WM_CLOSE, 0, 0);
        if (pi_.hProcess) {
            if (::WaitForSingleObject(pi_.hProcess, 5000) != WAIT_OBJECT_0)
                ::TerminateProcess(pi_.hProcess, 1);
            ::CloseHandle(pi_.hProcess);
            ::CloseHandle(pi_.hThread);
        }
    }
    HWND Window() const { return window_; }

private:
    PROCESS_INFORMATION pi_{};
    HWND window_ = nullptr;
};

int PopupMenusOf(DWORD pid) {
    struct Query {
        DWORD pid;
        int count;
    } query{pid, 0};
    ::EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* q = reinterpret_cast<Query*>(p);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(w, &owner);
            if (owner == q->pid && ClassName(w) == "#32768" && Visible(w)) ++q->count;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&query));
    return query.count;
}

}  // namespace

TEST(ExplorerWindows, UnderWineCtrlGSaysNoFolderIsOpenAndTheSubmenuHoldsNone) {
    TestDir dir;
    WriteIndex(dir, 'T', {"\\", "\\Work"});
    Drive drive('T', dir.UnixOf("t"));
    MakeDirs("T:\\Work");

    Program program(dir);
    HWND main = StartLoaded(program, 2);
    ASSERT_TRUE(main);
    HWND search = program.Control(tarvolo::IDC_DIRTOFIND);
    HWND history = program.Control(tarvolo::IDC_CMBHISTORY);
    ClickControl(search);
    Type("w");
    ASSERT_TRUE(WaitFor([&] { return Text(history) == "T:\\Work"; }, 5s)) << Text(history);

    // Opened after the typing: the new window takes the front for itself, and the
    // program is put back in front only once it has.
    WineExplorerWindow explorer("T:\\Work");
    ASSERT_TRUE(explorer.Window()) << "Wine's Explorer window did not open";
    EXPECT_EQ(ClassName(explorer.Window()), "ExplorerWClass");
    WaitFor([&] { return ::GetForegroundWindow() == explorer.Window(); }, 10s);
    ASSERT_TRUE(Front(main)) << "the program cannot be brought back to the front";
    Chord({VK_CONTROL}, 'G');
    HWND box = program.WaitDialog("Information");
    ASSERT_TRUE(box) << "Ctrl+G said nothing";
    EXPECT_EQ(Program::MessageText(box), "No Explorer window with a folder is open.");
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }));
    EXPECT_EQ(Text(search), "w") << "Ctrl+G typed into the search box";

    // The Favorites menu: Open, Send To Dialog, Explorer Folders; its submenu opens.
    ClickControl(program.Control(tarvolo::IDC_BTNFAVORITES));
    ASSERT_TRUE(WaitFor([&] { return PopupMenusOf(program.Pid()) == 1; }))
        << "the Favorites menu did not open";
    ASSERT_TRUE(program.HoldsMenuKeyboard());
    for (WORD k : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT}) Key(k);
    EXPECT_TRUE(WaitFor([&] { return PopupMenusOf(program.Pid()) == 2; }, 5s))
        << "\"Explorer Folders\" has no submenu";
    // Its only entry, "(none)", is greyed: Enter closes the menus with nothing chosen.
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return PopupMenusOf(program.Pid()) == 0; })) << "Enter did not close the menus";
    ASSERT_TRUE(program.Responsive());
    EXPECT_EQ(Text(history), "T:\\Work");
    EXPECT_EQ(FileAfterClose(program, "history.dir"), "") << "nothing was delivered";
}
