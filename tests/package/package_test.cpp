// The release zip as a user gets it. tools/package-check.sh unpacks it into a
// fresh Wine prefix and names the unpacked program folder (Windows form) in
// TARVOLO_PACKAGE_DIR; the program found there must carry the project's version,
// start, show its window after the first scan, and open the help beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tarvolo_version.h"
#include "tests/e2e/keys_fixture.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

std::string PackageDir() {
    const char* dir = std::getenv("TARVOLO_PACKAGE_DIR");
    return dir ? dir : "";
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(tolower(c)); });
    return s;
}

std::string VersionString(const std::vector<BYTE>& info, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT n = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!::VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &n) || !value)
        return {};
    return U(std::wstring(value, n && value[n - 1] == L'\0' ? n - 1 : n));
}

}  // namespace

// Runs first, before the program has written its settings beside itself.
TEST(Package, HoldsTheProgramItsHelpReadmeAndLicenseWithTheProjectVersion) {
    const std::string dir = PackageDir();
    ASSERT_FALSE(dir.empty()) << "TARVOLO_PACKAGE_DIR is not set";

    std::set<std::string> names;
    WIN32_FIND_DATAW found{};
    HANDLE find = ::FindFirstFileW(W(dir + "\\*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "cannot list " << dir;
    do {
        std::string name = U(found.cFileName);
        if (name != "." && name != "..") names.insert(name);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    EXPECT_EQ(names, (std::set<std::string>{"LICENSE", "README.txt", "Tarvolo.html", "tarvolo.exe",
                                            "tarvolo-find.exe"}));

    const std::wstring exe = W(dir + "\\tarvolo.exe");
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeW(exe.c_str(), &handle);
    ASSERT_GT(size, 0u) << "tarvolo.exe has no version resource";
    std::vector<BYTE> info(size);
    ASSERT_TRUE(::GetFileVersionInfoW(exe.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT n = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &n) && fixed);
    const unsigned numbers[] = {TARVOLO_VERSION_NUMBERS};
    EXPECT_EQ(fixed->dwFileVersionMS, (numbers[0] << 16) | numbers[1]);
    EXPECT_EQ(fixed->dwFileVersionLS, (numbers[2] << 16) | numbers[3]);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(VersionString(info, L"ProductName"), "Tarvolo");
    EXPECT_EQ(VersionString(info, L"ProductVersion"), TARVOLO_VERSION_TEXT);
    EXPECT_EQ(VersionString(info, L"FileVersion"), TARVOLO_VERSION_TEXT);
    EXPECT_EQ(VersionString(info, L"OriginalFilename"), "tarvolo.exe");
    EXPECT_EQ(VersionString(info, L"LegalCopyright"), "Copyright (c) 2026 The Tarvolo developers");

    std::string license;
    ASSERT_TRUE(ReadFileBytes(dir + "\\LICENSE", license));
    EXPECT_NE(license.find("MIT License"), std::string::npos);
    EXPECT_NE(license.find("Copyright (c) 2026 The Tarvolo developers"), std::string::npos);

    // The users' part of README.md as plain text for Notepad.
    std::string readme;
    ASSERT_TRUE(ReadFileBytes(dir + "\\README.txt", readme));
    EXPECT_EQ(readme.rfind("Tarvolo\r\n=======\r\n", 0), 0u) << readme.substr(0, 40);
    for (size_t i = 0; i < readme.size(); ++i)
        if (readme[i] == '\n' && (i == 0 || readme[i - 1] != '\r')) {
            ADD_FAILURE() << "a line of README.txt ends without CR LF at byte " << i;
            break;
        }
    for (const char* part :
         {"The first run", "Ctrl+Enter", "Removing Tarvolo", "Tarvolo.Lnk", "tarvolo-find.exe"})
        EXPECT_NE(readme.find(part), std::string::npos) << "README.txt lacks " << part;
    for (const char* markup : {"**", "](", "`", "<!--", "|", "For developers", ".png"})
        EXPECT_EQ(readme.find(markup), std::string::npos) << "README.txt still holds " << markup;
}

TEST(Package, StartsInItsFolderScansTheFirstDriveAndOpensTheHelpBesideIt) {
    const std::string dir = PackageDir();
    ASSERT_FALSE(dir.empty()) << "TARVOLO_PACKAGE_DIR is not set";
    TestDir test;
    OpenRecorder browser(test, L".html");
    // A small fixed drive with no index yet: the first start scans it.
    for (const char* folder :
         {"drive/Program Files/Common Files", "drive/Users/Public", "drive/Windows/System32"})
        MakeDirs(test.Win(folder));
    Drive drive('D', test.UnixOf("drive"));

    Program program(dir);
    ASSERT_TRUE(program.Start());
    HWND main = program.Main(30s);
    ASSERT_TRUE(main) << "the program started from " << dir << " made no main window";
    ASSERT_TRUE(WaitFor([&] { return Visible(main); }, 30s)) << "the main window did not show";
    EXPECT_EQ(Text(main), TARVOLO_TITLE);
    HWND list = ::GetDlgItem(main, tarvolo::IDC_DIRLISTBOX);
    EXPECT_TRUE(WaitFor([&] { return Count(list) == 7; }, 30s))
        << "after the first scan of D: the tree shows " << Count(list) << " rows, not 7";
    EXPECT_TRUE(FileExists("D:\\tarvolo.dir")) << "the first scan wrote no index at D:\\";

    ::PostMessageW(::GetDlgItem(main, tarvolo::IDC_BTNHELP), BM_CLICK, 0, 0);
    std::string opened = browser.Wait(1);
    std::string expected = "file:///" + dir + "\\Tarvolo.html";
    std::replace(expected.begin(), expected.end(), '\\', '/');
    EXPECT_EQ(Lower(opened), Lower(expected)) << "Help did not open the help page of the unpacked folder";

    // The folder is the program's: its settings are written beside it at the real close.
    program.CloseFromTrayMenu();
    ASSERT_TRUE(program.WaitExit()) << "Close in the icon's menu did not end the program";
    EXPECT_TRUE(FileExists(dir + "\\tarvolo.ini")) << "no settings written beside the unpacked program";
}
