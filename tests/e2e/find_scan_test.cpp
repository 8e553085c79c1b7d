// The drive scan through the real program: the index file it writes, the
// hidden filter, Cancel, and where the index goes when the root is read-only.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/e2e/endless_drive.h"
#include "tests/e2e/find_fixture.h"
#include "tarvolo_version.h"

using namespace e2e;
using namespace e2e::find;
using namespace std::chrono_literals;

namespace {

// Nested directories, names that differ only in case, spaces, brackets,
// hyphens, a non-Latin name, a dot-named (hidden under Wine) directory and a
// link back to the drive's root.
void MakeFixture(const std::string& folder) {
    const std::string q = ShellQuote(folder);
    ASSERT_EQ(RunUnix("cd " + q +
                      " && mkdir -p Alpha/Beta/Gamma 'alpha two' Case/in1 case/in2 'Zeta [x]-y' "
                      "'\xCE\xA9mega' .hidden/sub && touch Alpha/file.txt && ln -s . loop"),
              0);
}

const std::string kVisibleRows =
    Lines({"\\", "\\Alpha", "\\Alpha\\Beta", "\\Alpha\\Beta\\Gamma", "\\alpha two", "\\Case", "\\Case\\in1",
           "\\case", "\\case\\in2", "\\loop", "\\Zeta [x]-y", "\\\xCE\xA9mega"});

// A small disk of its own for a drive, so that it can be made read-only (the
// tests run as root, for whom permissions are no obstacle).
class SmallDisk {
public:
    explicit SmallDisk(const std::string& folder) : folder_(folder) {
        mounted_ = RunUnix("mkdir -p " + ShellQuote(folder) + " && mount -t tmpfs -o size=8m tmpfs " +
                           ShellQuote(folder)) == 0;
    }
    ~SmallDisk() {
        if (mounted_) RunUnix("umount -l " + ShellQuote(folder_));
    }
    bool Mounted() const { return mounted_; }
    bool ReadOnly() { return RunUnix("mount -o remount,ro " + ShellQuote(folder_)) == 0; }

private:
    std::string folder_;
    bool mounted_ = false;
};

}  // namespace

TEST(FindScan, IndexFileIsSortedByComponentHiddenOnlyWhenIncludedAndASecondScanIsTheSame) {
    TestDir dir;
    const std::string folder = dir.UnixOf("drive");
    Drive drive('D', folder);
    MakeFixture(folder);
    {
        Program program(dir);
        WriteIni(program, 0, /*hidden=*/false);
        HWND main = StartIdle(program);
        ASSERT_TRUE(main) << "the first drive change did not scan and come back";
        EXPECT_EQ(ReadIndex("D:\\tarvolo.dir"), kVisibleRows);
        HWND list = program.Control(IDC_DIRLISTBOX);
        EXPECT_EQ(Count(list), 12);
        EXPECT_EQ(Selected(list), 0);
        EXPECT_EQ(CurrentPath(program), "D:\\");

        // Rescan writes the same file again.
        ASSERT_TRUE(::DeleteFileW(L"D:\\tarvolo.dir"));
        LeftClick(program.Control(IDC_BTNRESCAN), 20, 10);
        ASSERT_TRUE(WaitFor([&] { return FileExists("D:\\tarvolo.dir") && Idle(program); }, 60s))
            << "Rescan did not write the index";
        EXPECT_EQ(ReadIndex("D:\\tarvolo.dir"), kVisibleRows);
        EXPECT_EQ(Count(list), 12);
    }
    {
        // Hidden directories are indexed when the filter lets them in.
        ASSERT_TRUE(::DeleteFileW(L"D:\\tarvolo.dir"));
        Program program(dir);
        WriteIni(program, 0, /*hidden=*/true);
        ASSERT_TRUE(StartIdle(program));
        EXPECT_EQ(ReadIndex("D:\\tarvolo.dir"),
                  Lines({"\\", "\\.hidden", "\\.hidden\\sub"}) + kVisibleRows.substr(3));
    }
}

TEST(FindScan, CancelKeepsThePartialIndexAndTellsTheUserOnce) {
    TestDir dir;
    // A drive no walk can finish: the walk ends only through Cancel, whenever
    // the click comes. Its index lives in the user's folder.
    EndlessDrive drive(dir, 'E');
    ASSERT_EQ(drive.Problem(), "");
    const std::string local = drive.UserIndex();
    ASSERT_TRUE(WriteFileBytes(local, Lines({"\\", "\\Old"})));
    Program program(dir);
    WriteIni(program, 0);
    ASSERT_TRUE(drive.Start(program));
    HWND main = program.Main();
    ASSERT_TRUE(main && WaitFor([&] { return Idle(program); }, 60s));
    EXPECT_EQ(Count(program.Control(IDC_DIRLISTBOX)), 2) << "the existing index was not loaded";

    LeftClick(program.Control(IDC_BTNRESCAN), 20, 10);
    HWND rescan = nullptr;
    ASSERT_TRUE(WaitFor([&] { return Visible(rescan = RescanWindow(program)); }, 20s))
        << "no progress window";
    HWND cancel = ::FindWindowExW(rescan, nullptr, L"Button", L"Cancel");
    HWND animate = ::FindWindowExW(rescan, nullptr, L"SysAnimate32", nullptr);
    ASSERT_TRUE(cancel && animate);
    EXPECT_FALSE(::IsWindowEnabled(main)) << "the main window takes input during the scan";
    RECT c{};
    ::GetClientRect(rescan, &c);
    EXPECT_EQ(c.right, 233);
    EXPECT_EQ(c.bottom, 103);
    EXPECT_EQ(::GetWindowLongW(rescan, GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_NE(::GetWindowLongW(rescan, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(Text(::FindWindowExW(rescan, nullptr, L"Static", nullptr)), "Scaning Drive E:");

    // The animation plays: its picture changes while the walk runs.
    auto picture = [&] {
        std::string p;
        for (int y = 0; y < 32; y += 2)
            for (int x = 0; x < 32; x += 2) p += std::to_string(Pixel(animate, x, y)) + ",";
        return p;
    };
    const std::string first = picture();
    EXPECT_TRUE(WaitFor([&] { return picture() != first; }, 3s)) << "the animation does not play";

    // A second click, queued with the first, changes nothing. (Apart, the second
    // would land on whatever the first put under the pointer.)
    // Some rows found first, so that the partial index has something to keep.
    long seen = 0;
    ASSERT_TRUE(WaitIndexedAtLeast(rescan, 100, seen));
    LeftClick(cancel, 40, 12, 2);
    HWND box = program.WaitDialog("Information", 20s);
    ASSERT_TRUE(box) << "no cancel message; the list holds " << Count(program.Control(IDC_DIRLISTBOX))
                     << " rows";
    EXPECT_EQ(Program::MessageText(box),
              "Scaning canceled!\r\nPlease rescan whole drive, as soon as possible");
    EXPECT_FALSE(Visible(rescan)) << "the progress window is still shown under the message";
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !Visible(box) && Idle(program); }));
    // Both clicks came before the first message; a second one would be up by now.
    ASSERT_TRUE(program.Responsive());
    EXPECT_FALSE(program.WaitDialog("Information", 0ms)) << "a second message";

    const std::string index = ReadIndex(local);
    ASSERT_EQ(index.compare(0, 3, "\\\r\n"), 0) << "the root row comes first";
    EXPECT_EQ(index.find("\\Old\r\n"), std::string::npos) << "the old index was not replaced";
    const size_t lines = RowCount(index);
    // What the count showed before the click stays; the deep rows are out of
    // reach of any walk that stopped.
    EXPECT_GE(lines, static_cast<size_t>(seen) + 1);
    for (const char* row : {"\\d0\r\n", "\\d1\r\n", "\\d1\\d1\r\n"})
        EXPECT_NE(index.find(row), std::string::npos) << row << " is missing from the partial index";
    EXPECT_EQ(index.find(OutOfReachRow()), std::string::npos) << "the walk went on after the Cancel";
    EXPECT_FALSE(FileExists("E:\\tarvolo.dir"));
    EXPECT_EQ(index.size() >= 2 ? index.substr(index.size() - 2) : "", "\r\n");
    EXPECT_EQ(Count(program.Control(IDC_DIRLISTBOX)), static_cast<long>(lines));
    EXPECT_EQ(CurrentPath(program), "E:\\");
}

TEST(FindScan, ReadOnlyRootKeepsTheIndexInTheUserFolderAndLoadsItFromThere) {
    TestDir dir;
    const std::string folder = dir.UnixOf("drive");
    SmallDisk disk(folder);
    ASSERT_TRUE(disk.Mounted());
    ASSERT_EQ(RunUnix("mkdir -p " + ShellQuote(folder + "/One") + " " + ShellQuote(folder + "/Two")), 0);
    ASSERT_TRUE(disk.ReadOnly());
    Drive drive('F', folder);
    MakeDirs(dir.Win("appdata"));
    ::SetEnvironmentVariableW(L"LOCALAPPDATA", W(dir.Win("appdata")).c_str());
    const std::string local = dir.Win("appdata\\Tarvolo\\F.dir");
    {
        Program program(dir);
        WriteIni(program, 0);
        ASSERT_TRUE(StartIdle(program));
        // Idle comes after the scan has written its index, with or without an error.
        ASSERT_TRUE(program.Responsive());
        EXPECT_FALSE(program.WaitDialog(TARVOLO_TITLE, 0ms)) << "an error although the user folder took it";
        EXPECT_EQ(ReadIndex(local), Lines({"\\", "\\One", "\\Two"}));
        EXPECT_FALSE(FileExists("F:\\tarvolo.dir"));
    }
    {
        // The next start loads it from there instead of scanning again.
        ASSERT_TRUE(WriteFileBytes(local, Lines({"\\", "\\Kept"})));
        Program program(dir);
        WriteIni(program, 0);
        ASSERT_TRUE(StartIdle(program));
        EXPECT_EQ(Count(program.Control(IDC_DIRLISTBOX)), 2);
    }
    {
        // Neither place can be written: the user is told, and the program goes on with the rows.
        ASSERT_TRUE(::DeleteFileW(W(local).c_str()));
        ASSERT_EQ(RunUnix("mount -t tmpfs -o ro tmpfs " + ShellQuote(dir.UnixOf("appdata/Tarvolo"))), 0);
        Program program(dir);
        WriteIni(program, 0);
        ASSERT_TRUE(program.Start());
        HWND box = program.WaitDialog(TARVOLO_TITLE, 30s);
        ASSERT_TRUE(box) << "no error message";
        EXPECT_EQ(Program::MessageText(box), "Cannot create file F:\\tarvolo.dir");
        EXPECT_FALSE(Visible(RescanWindow(program)));
        Key(VK_RETURN);
        ASSERT_TRUE(WaitFor([&] { return Idle(program); }));
        EXPECT_EQ(Count(program.Control(IDC_DIRLISTBOX)), 3);
        EXPECT_EQ(CurrentPath(program), "F:\\");
        RunUnix("umount -l " + ShellQuote(dir.UnixOf("appdata/Tarvolo")));
    }
    ::SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
}

// A root holding an index this user cannot replace (an administrator's, or on a
// disk made read-only since): Rescan keeps its rows in the user folder and says
// nothing wrong, and from then on that newer copy is what loads.
TEST(FindScan, ARescanOverAnIndexThatCannotBeReplacedIsWhatTheNextStartLoads) {
    TestDir dir;
    const std::string folder = dir.UnixOf("drive");
    SmallDisk disk(folder);
    ASSERT_TRUE(disk.Mounted());
    ASSERT_EQ(RunUnix("mkdir -p " + ShellQuote(folder + "/One") + " && printf '\\\\\\r\\n\\\\Old\\r\\n' > " +
                      ShellQuote(folder + "/tarvolo.dir") + " && touch -d '2020-01-01' " +
                      ShellQuote(folder + "/tarvolo.dir")),
              0);
    ASSERT_TRUE(disk.ReadOnly());
    Drive drive('F', folder);
    ASSERT_EQ(ReadIndex("F:\\tarvolo.dir"), Lines({"\\", "\\Old"}));
    MakeDirs(dir.Win("appdata"));
    ::SetEnvironmentVariableW(L"LOCALAPPDATA", W(dir.Win("appdata")).c_str());
    const std::string local = dir.Win("appdata\\Tarvolo\\F.dir");
    {
        Program program(dir);
        WriteIni(program, 0);
        ASSERT_TRUE(StartIdle(program));
        EXPECT_EQ(Count(program.Control(IDC_DIRLISTBOX)), 2) << "the root's index was not loaded";
        LeftClick(program.Control(IDC_BTNRESCAN), 20, 10);
        ASSERT_TRUE(WaitFor([&] { return FileExists(local) && Idle(program); }, 60s))
            << "Rescan wrote no copy";
        ASSERT_TRUE(program.Responsive());
        EXPECT_FALSE(program.WaitDialog(TARVOLO_TITLE, 0ms)) << "an error although the user folder took it";
        EXPECT_EQ(ReadIndex(local), Lines({"\\", "\\One"}));
    }
    {
        Program program(dir);
        WriteIni(program, 0);
        ASSERT_TRUE(StartIdle(program));
        HWND list = program.Control(IDC_DIRLISTBOX);
        EXPECT_EQ(Count(list), 2);
        ::SendMessageW(list, LB_SETCURSEL, 1, 0);
        ::SendMessageW(program.Main(), WM_COMMAND, MAKEWPARAM(IDC_DIRLISTBOX, LBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(list));
        EXPECT_EQ(CurrentPath(program), "F:\\One") << "the root's older index was loaded";
    }
    ::SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr);
}

namespace {

RECT Bounds(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

}  // namespace

// A rescan filter changed in Options rules the next scan; the window as the user
// left it and the drive chosen last are saved at the close and back at the next start.
TEST(FindScan, OptionsFilterTheNextScanAndBoundsAndDriveComeBack) {
    TestDir dir;
    const std::string folder = dir.UnixOf("drive");
    Drive d('D', folder);
    MakeFixture(folder);
    Drive e('E', dir.UnixOf("e"));
    MakeDirs("E:\\Only");
    const std::string withHidden = Lines({"\\", "\\.hidden", "\\.hidden\\sub"}) + kVisibleRows.substr(3);
    {
        Program program(dir);
        WriteIni(program, 0, /*hidden=*/true);
        HWND main = StartIdle(program);
        ASSERT_TRUE(main);
        ASSERT_EQ(ReadIndex("D:\\tarvolo.dir"), withHidden);

        ::PostMessageW(::GetDlgItem(main, tarvolo::IDC_BTNOPTIONS), BM_CLICK, 0, 0);
        HWND options = program.WaitWindow("Tarvolo Options");
        ASSERT_TRUE(options) << "no options dialog";
        HWND hidden = DescendantByText(options, "Button", "Include Hidden Folders");
        ASSERT_TRUE(hidden);
        ASSERT_EQ(::SendMessageW(hidden, BM_GETCHECK, 0, 0), BST_CHECKED);
        ::SendMessageW(hidden, BM_CLICK, 0, 0);
        ASSERT_EQ(::SendMessageW(hidden, BM_GETCHECK, 0, 0), BST_UNCHECKED);
        ::PostMessageW(DescendantByText(options, "Button", "OK"), BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return !::IsWindow(options) && Idle(program); }));

        LeftClick(program.Control(IDC_BTNRESCAN), 20, 10);
        EXPECT_TRUE(
            WaitFor([&] { return ReadIndex("D:\\tarvolo.dir") == kVisibleRows && Idle(program); }, 60s))
            << "the rescan still took the hidden directories in:\n"
            << ReadIndex("D:\\tarvolo.dir");

        // The second drive, chosen in the selector; it has no index and is scanned.
        HWND drives = program.Control(IDC_CMBDRIVES);
        ASSERT_TRUE(program.PickFromDropDown(drives, 1));
        ASSERT_TRUE(WaitFor(
            [&] {
                return Text(drives).rfind("E:", 0) == 0 && FileExists("E:\\tarvolo.dir") && Idle(program);
            },
            60s))
            << "drive " << Text(drives);
        EXPECT_EQ(Count(program.Control(IDC_DIRLISTBOX)), 2);

        // Moved and resized.
        ASSERT_TRUE(::SetWindowPos(main, nullptr, 150, 120, 700, 450, SWP_NOZORDER | SWP_NOACTIVATE));
        ASSERT_TRUE(WaitFor([&] { return Bounds(main).left == 150 && Bounds(main).right == 850; }));
        program.CloseFromTrayMenu();
        ASSERT_TRUE(program.WaitExit()) << "the real close did not end the program";
        std::string ini;
        ASSERT_TRUE(ReadFileBytes(program.File("tarvolo.ini"), ini));
        for (const char* line : {"Top=120\r\n", "Left=150\r\n", "Height=450\r\n", "Width=700\r\n",
                                 "Drive=1\r\n", "Hidden=0\r\n"})
            EXPECT_NE(ini.find(line), std::string::npos) << line << " not in\n" << ini;
    }
    {
        Program program(dir);
        HWND main = StartIdle(program);
        ASSERT_TRUE(main);
        RECT r = Bounds(main);
        EXPECT_EQ(r.left, 150);
        EXPECT_EQ(r.top, 120);
        EXPECT_EQ(r.right - r.left, 700);
        EXPECT_EQ(r.bottom - r.top, 450);
        EXPECT_EQ(Text(program.Control(IDC_CMBDRIVES)).rfind("E:", 0), 0u)
            << Text(program.Control(IDC_CMBDRIVES));
        EXPECT_EQ(CurrentPath(program), "E:\\");
        program.Kill();
    }
}
