#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "platform/AtomicFile.h"
#include "platform/WinText.h"

namespace tarvolo {
namespace {

// A fresh folder under %TEMP% per test, removed with everything in it.
class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ASSERT_NE(::GetTempPathW(MAX_PATH, temp), 0u);
        folder_ = Narrow(temp) + "tarvolo-atomic-" + std::to_string(::GetCurrentProcessId()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(::CreateDirectoryW(Widen(folder_).c_str(), nullptr)) << folder_;
    }
    void TearDown() override {
        for (const std::string& name : Files()) ::DeleteFileW(Widen(folder_ + "\\" + name).c_str());
        ::RemoveDirectoryW(Widen(folder_).c_str());
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAW data;
        HANDLE find = ::FindFirstFileW(Widen(folder_ + "\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") names.push_back(Narrow(name));
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
        return names;
    }
    std::string Read(const std::string& path) {
        std::string text;
        bool existed = false;
        EXPECT_TRUE(ReadWholeFile(path, text, &existed, kMaxListFileBytes));
        EXPECT_TRUE(existed) << path;
        return text;
    }
    std::string folder_;
};

TEST_F(AtomicFileTest, CreatesThenReplacesLeavingNoTemporaryFile) {
    // The program addresses its files as ProgramDir + "\name", a doubled backslash.
    const std::string path = folder_ + "\\\\history.dir";
    std::string error;
    ASSERT_TRUE(ReplaceFileAtomically(path, "C:\\Temp\r\n", &error)) << error;
    EXPECT_EQ(Read(path), "C:\\Temp\r\n");

    ASSERT_TRUE(ReplaceFileAtomically(path, "D:\\Work\r\nC:\\Temp\r\n", &error)) << error;
    EXPECT_EQ(Read(path), "D:\\Work\r\nC:\\Temp\r\n");

    ASSERT_TRUE(ReplaceFileAtomically(path, "", &error)) << error;
    EXPECT_EQ(Read(path), "");
    EXPECT_EQ(Files(), std::vector<std::string>{"history.dir"});
}

TEST_F(AtomicFileTest, UnicodeNamesAndContentSurvive) {
    const std::string path = folder_ + "\\\xE6\x97\xA5\xE6\x9C\xAC.ini";  // 日本.ini
    const std::string content = "[Window]\r\nTop=100\r\n\xC3\xA9\r\n";
    std::string error;
    ASSERT_TRUE(ReplaceFileAtomically(path, content, &error)) << error;
    EXPECT_EQ(Read(path), content);
}

TEST_F(AtomicFileTest, MissingFolderFailsWithAReason) {
    std::string error;
    EXPECT_FALSE(ReplaceFileAtomically(folder_ + "\\no such folder\\favorites.dir", "x\r\n", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(Files().empty());
}

TEST_F(AtomicFileTest, FailedReplaceKeepsTheOldFileWhole) {
    const std::string path = folder_ + "\\favorites.dir";
    std::string error;
    ASSERT_TRUE(ReplaceFileAtomically(path, "C:\\Old?0*0\r\n", &error)) << error;

    // Another program holds the file open and shares nothing: it cannot be replaced.
    HANDLE holder = ::CreateFileW(Widen(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const bool replaced = ReplaceFileAtomically(path, "C:\\New?0*0\r\n", &error);
    ::CloseHandle(holder);

    EXPECT_FALSE(replaced);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(Read(path), "C:\\Old?0*0\r\n");
    EXPECT_EQ(Files(), std::vector<std::string>{"favorites.dir"});
}

TEST_F(AtomicFileTest, ReadOnlyTargetIsNotReplacedAndHiddenStaysHidden) {
    const std::string locked = folder_ + "\\dialogs.dir";
    const std::string hidden = folder_ + "\\tarvolo.ini";
    std::string error;
    ASSERT_TRUE(ReplaceFileAtomically(locked, "Open\r\n", &error)) << error;
    ASSERT_TRUE(ReplaceFileAtomically(hidden, "[Window]\r\n", &error)) << error;
    ASSERT_TRUE(::SetFileAttributesW(Widen(locked).c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(::SetFileAttributesW(Widen(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN));

    EXPECT_FALSE(ReplaceFileAtomically(locked, "Save As\r\n", &error));
    ::SetFileAttributesW(Widen(locked).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Read(locked), "Open\r\n");

    ASSERT_TRUE(ReplaceFileAtomically(hidden, "[Rescan]\r\n", &error)) << error;
    EXPECT_EQ(Read(hidden), "[Rescan]\r\n");
    EXPECT_NE(::GetFileAttributesW(Widen(hidden).c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    ::SetFileAttributesW(Widen(hidden).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Files().size(), 2u);
}

TEST_F(AtomicFileTest, ReadWholeFileReportsMissingAndOversizedFiles) {
    std::string text = "stale";
    bool existed = true;
    EXPECT_TRUE(ReadWholeFile(folder_ + "\\dialogs.dir", text, &existed, kMaxListFileBytes));
    EXPECT_FALSE(existed);
    EXPECT_EQ(text, "");
    EXPECT_TRUE(ReadWholeFile(folder_ + "\\no folder\\dialogs.dir", text, &existed, kMaxListFileBytes));
    EXPECT_FALSE(existed);

    const std::string path = folder_ + "\\big.dir";
    const std::string content(3u << 20, 'x');  // more than one read chunk
    std::string error;
    ASSERT_TRUE(ReplaceFileAtomically(path, content, &error)) << error;
    EXPECT_TRUE(ReadWholeFile(path, text, &existed, content.size()));
    EXPECT_EQ(text.size(), content.size());
    EXPECT_FALSE(ReadWholeFile(path, text, &existed, content.size() - 1, &error));
    EXPECT_TRUE(existed);
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace tarvolo
