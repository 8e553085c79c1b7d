// The machine failing the program: a program folder that turns read-only, a
// disk that fills up. The old files stay whole and the program stays usable.
#include <gtest/gtest.h>

#include "tests/e2e/Harness.h"
#include "tarvolo_version.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

// A small file system of its own for the program folder, so that it can be
// made read-only or filled up; unmounted however the test ends.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& unixFolder) : folder_(unixFolder) {
        mounted_ = RunUnix("mkdir -p " + ShellQuote(folder_) + " && mount -t tmpfs -o size=16m tmpfs " +
                           ShellQuote(folder_)) == 0;
    }
    ~SmallDisk() {
        if (mounted_) RunUnix("umount -l " + ShellQuote(folder_));
    }
    bool Mounted() const { return mounted_; }
    bool ReadOnly(bool on) {
        return RunUnix(std::string("mount -o remount,") + (on ? "ro " : "rw ") + ShellQuote(folder_)) == 0;
    }
    bool Fill() {
        return RunUnix("dd if=/dev/zero of=" + ShellQuote(folder_ + "/filler") + " bs=64k || true") == 0;
    }
    bool Unfill() { return RunUnix("rm -f " + ShellQuote(folder_ + "/filler")) == 0; }

private:
    std::string folder_;
    bool mounted_ = false;
};

const char kOldFavorites[] = "Z:\\old?0*0\r\n";
const char kOldSettings[] = "[Window]\r\nTop=120\r\nLeft=130\r\n";

// Starts the program in a folder on its own small disk with old files in it.
void StartOnSmallDisk(Program& program) {
    ASSERT_TRUE(WriteFileBytes(program.File("favorites.dir"), kOldFavorites));
    ASSERT_TRUE(WriteFileBytes(program.File("tarvolo.ini"), kOldSettings));
    ASSERT_TRUE(program.Start());
    HWND main = program.Main();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitFor([&] { return Visible(main); }));
}

void ExpectOldFilesWhole(Program& program) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(program.File("favorites.dir"), bytes));
    EXPECT_EQ(bytes, kOldFavorites);
    EXPECT_TRUE(ReadFileBytes(program.File("tarvolo.ini"), bytes));
    EXPECT_EQ(bytes, program.IniAtStart());
}

// The close fails with the program's message; afterwards the program still
// works: its window comes back from the icon and answers.
void ExpectFailedCloseLeavesItWorking(Program& program) {
    program.CloseFromTrayMenu();
    HWND box = program.WaitDialog(TARVOLO_TITLE);
    ASSERT_TRUE(box) << "no error message";
    // The first list file that does not fit is named (an empty one fits even on a full disk).
    std::string text = Program::MessageText(box);
    EXPECT_EQ(text.rfind("Cannot create file " + program.Dir() + "\\\\", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 4), ".dir") << text;
    Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(box); }));
    EXPECT_TRUE(program.Running()) << "the program ended although nothing could be saved";
    HWND main = program.Main();
    program.TrayNotify(WM_LBUTTONDOWN);
    program.TrayNotify(WM_LBUTTONUP);
    EXPECT_TRUE(WaitFor([&] { return Visible(main); }));
    EXPECT_TRUE(program.Responsive());
    ExpectOldFilesWhole(program);
}

// The real close once the folder can be written again: the program saves and ends.
void ExpectTheNextCloseEnds(Program& program) {
    program.CloseFromTrayMenu();
    if (program.WaitExit(15s)) return;
    if (HWND box = program.WaitDialog(TARVOLO_TITLE, 1s))
        ADD_FAILURE() << "the close failed again: " << Program::MessageText(box);
    else
        ADD_FAILURE() << "the program did not end";
}

}  // namespace

TEST(Faults, AProgramFolderThatTurnsReadOnlyKeepsItsFilesAndTheProgram) {
    TestDir dir;
    SmallDisk disk(dir.UnixOf("program"));
    ASSERT_TRUE(disk.Mounted()) << "cannot mount a small file system here";
    Program program(dir);
    StartOnSmallDisk(program);
    ASSERT_TRUE(disk.ReadOnly(true));
    ExpectFailedCloseLeavesItWorking(program);

    // Writable again: the next Close saves and ends the program.
    ASSERT_TRUE(disk.ReadOnly(false));
    ExpectTheNextCloseEnds(program);
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(program.File("tarvolo.ini"), bytes));
    EXPECT_NE(bytes.find("ShowCloseInfo=1"), std::string::npos);
}

TEST(Faults, AFullDiskLeavesTheOldFilesWhole) {
    TestDir dir;
    SmallDisk disk(dir.UnixOf("program"));
    ASSERT_TRUE(disk.Mounted()) << "cannot mount a small file system here";
    Program program(dir);
    StartOnSmallDisk(program);
    ASSERT_TRUE(disk.Fill());
    ExpectFailedCloseLeavesItWorking(program);
    program.Kill();
}
