#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "index/Scan.h"
#include "index/Text.h"
#include "platform/WinDirectoryLister.h"
#include "platform/WinText.h"

namespace tarvolo {
namespace {

const char kNihon[] = "\xE6\x97\xA5\xE6\x9C\xAC";  // two CJK letters, outside every Western code page

TEST(WinText, WidenAndNarrowRoundTrip) {
    for (const std::string& text : {std::string(), std::string("C:\\Windows"), std::string(kNihon),
                                    std::string("caf\xC3\xA9 \xF0\x9F\x98\x80")}) {
        EXPECT_EQ(Narrow(Widen(text)), text);
    }
    EXPECT_EQ(Widen(kNihon), std::wstring(L"\u65E5\u672C"));
    EXPECT_EQ(Widen("a\xFFz"), std::wstring(L"a\uFFFDz"));
    std::string out = "x";
    AppendNarrow(L"\u00E9", out);
    EXPECT_EQ(out, "x\xC3\xA9");
}

TEST(WinText, CaseFolderUpperCasesAccentedLetters) {
    const WinCaseFolder folder;
    EXPECT_EQ(folder.Upper("program files"), "PROGRAM FILES");
    EXPECT_EQ(folder.Upper("caf\xC3\xA9"), "CAF\xC3\x89");
    EXPECT_EQ(folder.Upper(kNihon), kNihon);
    EXPECT_EQ(folder.Upper(""), "");
}

TEST(WinText, CollatorIgnoresCaseAndPutsPrefixesFirst) {
    const WinCollator collator;
    auto key = [&](const char* name) {
        std::string k;
        collator.SortKey(name, k);
        return k;
    };
    EXPECT_EQ(key("abc"), key("ABC"));
    EXPECT_LT(key("a"), key("B"));
    EXPECT_LT(key("B"), key("c"));
    EXPECT_LT(key("Program Files"), key("Program Files (x86)"));
    EXPECT_LT(key("caf\xC3\xA9"), key("cafz"));
    EXPECT_FALSE(key(kNihon).empty());
    EXPECT_EQ(key("").size(), 0u);
}

TEST(WinText, AnsiDecoderGivesUtf8ForEveryByte) {
    const WinAnsiDecoder decoder;
    EXPECT_EQ(decoder.ToUtf8("\\Windows"), "\\Windows");
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string utf8 = decoder.ToUtf8(one);
        EXPECT_TRUE(IsValidUtf8(utf8)) << b;
        EXPECT_FALSE(utf8.empty()) << b;
    }
}

// The rows a scan by the system's own lister and collation finds under `root`.
std::vector<std::string> WalkWithTheSystem(const std::string& root) {
    const std::atomic<bool> never{false};
    CancelOnlyObserver observer(never);
    WinDirectoryLister lister;
    const RowStore rows = WalkDirectories(root, ScanFilter{}, lister, WinCollator(), observer);
    std::vector<std::string> got;
    for (size_t i = 0; i < rows.size(); ++i) got.emplace_back(rows.Path(i));
    return got;
}

// A scratch folder under %TEMP%, removed with everything in it.
class WinDirectoryListerTest : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        root_ = Narrow(temp) + "tarvolo_wintext_" + std::to_string(GetCurrentProcessId()) + "\\";
        // Process ids come round again: what a killed run left under this name goes first.
        RemoveTree(ExtendedLengthPath(root_));
        ASSERT_TRUE(CreateDirectoryW(Widen(root_).c_str(), nullptr)) << GetLastError();
    }
    // Extended-length paths, so that "apache." is removed and not "apache".
    void TearDown() override { RemoveTree(ExtendedLengthPath(root_)); }

    void MakeDir(const std::string& relative) {
        ASSERT_TRUE(CreateDirectoryW(Widen(root_ + relative).c_str(), nullptr))
            << relative << " " << GetLastError();
    }
    static void RemoveTree(const std::wstring& dir) {
        WIN32_FIND_DATAW data;
        const HANDLE find = FindFirstFileW((dir + L"*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring path = dir + name;
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(path + L"\\");
                } else {
                    DeleteFileW(path.c_str());
                }
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        RemoveDirectoryW(dir.c_str());
    }

    std::string root_;
};

// A directory still open for listing cannot be removed. (Wine's handle count
// answers 0.)
TEST_F(WinDirectoryListerTest, ACallbackThatThrowsLeavesNoDirectoryOpen) {
    auto remove = [&](const std::string& relative) {
        return RemoveDirectoryW(Widen(root_ + relative).c_str());
    };
    // The measure sees an open listing.
    MakeDir("open");
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW(Widen(root_ + "open\\*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(remove("open")) << "a directory open for listing was removed";
    FindClose(find);
    EXPECT_TRUE(remove("open")) << GetLastError();

    MakeDir("listed");
    WinDirectoryLister lister;
    bool thrown = false;
    try {
        lister.List(root_ + "listed\\", [](const DirEntry&) -> bool { throw std::bad_alloc(); });
    } catch (const std::bad_alloc&) {
        thrown = true;
    }
    EXPECT_TRUE(thrown);
    EXPECT_TRUE(remove("listed")) << "the listing was left open by a callback that threw (error "
                                  << GetLastError() << ")";
}

TEST_F(WinDirectoryListerTest, ListerReportsUnicodeNamesAndAttributes) {
    MakeDir(kNihon);
    MakeDir("Program Files (x86)");
    MakeDir("secret");
    ASSERT_TRUE(SetFileAttributesW(Widen(root_ + "secret").c_str(), FILE_ATTRIBUTE_HIDDEN));
    const HANDLE file = CreateFileW(Widen(root_ + "file.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    WinDirectoryLister lister;
    std::map<std::string, uint32_t> seen;
    ASSERT_TRUE(lister.List(root_, [&](const DirEntry& e) {
        seen[std::string(e.name)] = e.attributes;
        return true;
    }));
    ASSERT_EQ(seen.count(kNihon), 1u);
    EXPECT_TRUE(seen[kNihon] & kAttrDirectory);
    EXPECT_TRUE(seen["Program Files (x86)"] & kAttrDirectory);
    EXPECT_TRUE(seen["secret"] & kAttrHidden);
    ASSERT_EQ(seen.count("file.txt"), 1u);
    EXPECT_FALSE(seen["file.txt"] & kAttrDirectory);

    int calls = 0;
    EXPECT_TRUE(lister.List(root_, [&](const DirEntry&) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);  // stopping early ends the listing
    EXPECT_FALSE(lister.List(root_ + "missing\\", [](const DirEntry&) { return true; }));
}

TEST_F(WinDirectoryListerTest, WalkFindsDeepUnicodeTreesInOrder) {
    // Deeper than MAX_PATH characters in total.
    std::string deep;
    for (int level = 0; level < 12; ++level) {
        deep += (level ? "\\" : "") + std::string(24, static_cast<char>('a' + level));
        ASSERT_TRUE(CreateDirectoryW(Widen("\\\\?\\" + root_ + deep).c_str(), nullptr)) << level;
    }
    MakeDir("B");
    MakeDir(std::string("B\\") + kNihon);
    MakeDir("Program Files");
    MakeDir("Program Files\\Common Files");
    MakeDir("Program Files (x86)");

    const std::vector<std::string> got = WalkWithTheSystem(root_);
    ASSERT_EQ(got.size(), 18u);
    EXPECT_EQ(got[0], "\\");
    EXPECT_EQ(got[12], "\\" + deep);
    EXPECT_EQ(got[13], "\\B");
    EXPECT_EQ(got[14], std::string("\\B\\") + kNihon);
    EXPECT_EQ(got[15], "\\Program Files");
    EXPECT_EQ(got[16], "\\Program Files\\Common Files");
    EXPECT_EQ(got[17], "\\Program Files (x86)");
}

TEST_F(WinDirectoryListerTest, NamesEndingInADotOrABlankAreThemselves) {
    // Made through the extended-length form, as tools that bypass the path
    // rules make them; through a plain path each would open its namesake.
    for (const char* dir : {"apache", "apache\\lib", "apache.", "apache.\\18", "apache.\\18\\x", "tail ",
                            "tail \\inner", "tail"}) {
        ASSERT_TRUE(CreateDirectoryW(ExtendedLengthPath(root_ + dir).c_str(), nullptr))
            << dir << " " << GetLastError();
    }
    const std::vector<std::string> got = WalkWithTheSystem(root_);
    const std::vector<std::string> expected = {"\\",        "\\apache",      "\\apache\\lib",
                                               "\\apache.", "\\apache.\\18", "\\apache.\\18\\x",
                                               "\\tail",    "\\tail ",       "\\tail \\inner"};
    std::vector<std::string> sortedGot = got, sortedExpected = expected;
    std::sort(sortedGot.begin(), sortedGot.end());
    std::sort(sortedExpected.begin(), sortedExpected.end());
    EXPECT_EQ(sortedGot, sortedExpected);
}

}  // namespace
}  // namespace tarvolo
