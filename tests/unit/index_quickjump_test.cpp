#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "index/QuickJump.h"

namespace tarvolo {
namespace {

struct Drive {
    char letter;
    RowStore rows;
    SearchIndex search;
};

// Drives from lists of rows: every parent listed before its children.
class Disk {
public:
    explicit Disk(const std::vector<std::pair<char, std::vector<std::string>>>& drives) {
        drives_.reserve(drives.size());
        for (const auto& [letter, paths] : drives) {
            drives_.push_back(Drive{letter, {}, {}});
            for (const std::string& p : paths) drives_.back().rows.Append(p);
            drives_.back().search.Build(drives_.back().rows, folder_);
        }
    }

    std::vector<std::string> Rank(std::string_view typed, const std::vector<JumpUse>& uses = {},
                                  size_t limit = 50) const {
        std::vector<JumpDrive> list;
        for (const Drive& d : drives_) list.push_back(JumpDrive{d.letter, &d.rows, &d.search});
        std::vector<std::string> paths;
        for (const JumpHit& hit : RankDirectories(JumpText::Parse(typed, folder_), list, uses, limit)) {
            for (const Drive& d : drives_)
                if (d.letter == hit.drive) paths.push_back(JumpPath(d.letter, d.rows, hit.row));
        }
        return paths;
    }

private:
    AsciiCaseFolder folder_;
    std::vector<Drive> drives_;
};

TEST(JumpTextTest, SplitsAtSpacesAndBackslashesAndFolds) {
    const AsciiCaseFolder folder;
    const struct {
        const char* typed;
        std::vector<std::string> terms;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {"src", {"SRC"}},
        {"  Proj   src ", {"PROJ", "SRC"}},
        {"proj\\src", {"PROJ", "SRC"}},
        {"c:\\users\\\\me", {"C:", "USERS", "ME"}},
    };
    for (const auto& c : cases) EXPECT_EQ(JumpText::Parse(c.typed, folder).terms, c.terms) << c.typed;
}

TEST(JumpPathTest, DriveBeforeTheRow) {
    RowStore rows;
    rows.Append("\\");
    rows.Append("\\Users");
    rows.Append("\\Users\\me");
    EXPECT_EQ(JumpPath('E', rows, 0), "E:\\");
    EXPECT_EQ(JumpPath('E', rows, 2), "E:\\Users\\me");
}

// One drive, one text: the whole ranked list.
struct OrderCase {
    const char* what;
    std::vector<std::string> rows;
    std::vector<JumpUse> uses;
    const char* typed;
    std::vector<std::string> expected;
};

TEST(QuickJumpTest, MatchesAndOrders) {
    const OrderCase cases[] = {
        {"terms in the typed order, the last in the directory's own name",
         {"\\", "\\proj", "\\proj\\src", "\\src", "\\src\\proj", "\\src\\proj\\lib"},
         {},
         "proj src",
         {"C:\\proj\\src"}},
        {"the order reversed finds the other",
         {"\\", "\\proj", "\\proj\\src", "\\src", "\\src\\proj", "\\src\\proj\\lib"},
         {},
         "src proj",
         {"C:\\src\\proj"}},
        {"a term only in a parent does not make its children match",
         {"\\", "\\music", "\\music\\rock", "\\music\\jazz"},
         {},
         "music",
         {"C:\\music"}},
        {"empty text, no match", {"\\", "\\a"}, {}, "  ", {}},
        {"the whole name, its start, a word's start, inside a word",
         {"\\", "\\a", "\\a\\mysrc", "\\b", "\\b\\old-src", "\\c", "\\c\\srcs", "\\d", "\\d\\src"},
         {},
         "src",
         {"C:\\d\\src", "C:\\c\\srcs", "C:\\b\\old-src", "C:\\a\\mysrc"}},
        {"a word begins after a space, a dot, an underscore",
         {"\\", "\\xsrc", "\\x src", "\\x.src", "\\x_src"},
         {},
         "src",
         {"C:\\x src", "C:\\x.src", "C:\\x_src", "C:\\xsrc"}},
        {"a whole name deep down before a prefix at the top",
         {"\\", "\\srcfoo", "\\x", "\\x\\y", "\\x\\y\\z", "\\x\\y\\z\\src"},
         {},
         "src",
         {"C:\\x\\y\\z\\src", "C:\\srcfoo"}},
        {"the own name counts before the earlier terms",
         {"\\", "\\myproj", "\\myproj\\src", "\\proj", "\\proj\\srcs"},
         {},
         "proj src",
         {"C:\\myproj\\src", "C:\\proj\\srcs"}},
        {"an earlier term at a word's start before one inside a word, whatever the length",
         {"\\", "\\myproj", "\\myproj\\src", "\\my-proj", "\\my-proj\\src"},
         {},
         "proj src",
         {"C:\\my-proj\\src", "C:\\myproj\\src"}},
        {"several terms in the own name: from its start to its end is the whole name",
         {"\\", "\\ProgramData", "\\ProgramData\\files", "\\Program Files", "\\Program Files (x86)"},
         {},
         "program files",
         {"C:\\Program Files", "C:\\ProgramData\\files", "C:\\Program Files (x86)"}},
        {"shallower, then shorter",
         {"\\", "\\abc", "\\abc\\src", "\\a", "\\a\\src", "\\src"},
         {},
         "src",
         {"C:\\src", "C:\\a\\src", "C:\\abc\\src"}},
        {"ties by the tree's order",
         {"\\", "\\b", "\\b\\src", "\\a", "\\a\\src"},
         {},
         "src",
         {"C:\\b\\src", "C:\\a\\src"}},
        {"within a step of match, the used directory first, the more used before the less",
         {"\\", "\\a", "\\a\\src", "\\b", "\\b\\deep", "\\b\\deep\\src", "\\c", "\\c\\src"},
         {{"C:\\b\\deep\\src", 0.5}, {"C:\\c\\src", 8}},
         "src",
         {"C:\\c\\src", "C:\\b\\deep\\src", "C:\\a\\src"}},
        {"a use lifts a directory one step of match: a used prefix before an unused whole name",
         {"\\", "\\srcfoo", "\\src"},
         {{"C:\\srcfoo", 0.25}},
         "src",
         {"C:\\srcfoo", "C:\\src"}},
        {"but no further: a used directory matched inside a word stays after a name's start",
         {"\\", "\\mysrc", "\\srcs"},
         {{"C:\\mysrc", 1000}},
         "src",
         {"C:\\srcs", "C:\\mysrc"}},
        {"and a used prefix stays after a used whole name",
         {"\\", "\\srcfoo", "\\src"},
         {{"C:\\srcfoo", 1000}, {"C:\\src", 0.25}},
         "src",
         {"C:\\src", "C:\\srcfoo"}},
        {"uses compare regardless of case; a use of no row changes nothing",
         {"\\", "\\a", "\\a\\src", "\\b", "\\b\\src"},
         {{"c:\\B\\SRC", 1}, {"C:\\gone\\src", 50}},
         "src",
         {"C:\\b\\src", "C:\\a\\src"}},
    };
    for (const OrderCase& c : cases) {
        const Disk disk({{'C', c.rows}});
        EXPECT_EQ(disk.Rank(c.typed, c.uses), c.expected) << c.what;
    }
}

TEST(QuickJumpTest, DrivesInTheirOrderAfterTheMatch) {
    const Disk disk({{'D', {"\\", "\\src", "\\srcs"}}, {'C', {"\\", "\\srcs", "\\x", "\\x\\src"}}});
    // The same match on two drives: the drive listed first; a better match
    // on the later drive still comes before.
    EXPECT_EQ(disk.Rank("src"), (std::vector<std::string>{"D:\\src", "C:\\x\\src", "D:\\srcs", "C:\\srcs"}));
    EXPECT_EQ(disk.Rank("src", {{"C:\\srcs", 1}}),
              (std::vector<std::string>{"C:\\srcs", "D:\\src", "C:\\x\\src", "D:\\srcs"}));
}

TEST(QuickJumpTest, KeepsTheBestUpToTheLimit) {
    std::vector<std::string> rows{"\\"};
    for (int i = 0; i < 200; ++i) rows.push_back("\\dir" + std::to_string(1000 + i));
    const Disk disk({{'C', rows}});
    const std::vector<std::string> top = disk.Rank("dir1", {{"C:\\dir1150", 1}}, 3);
    EXPECT_EQ(top, (std::vector<std::string>{"C:\\dir1150", "C:\\dir1000", "C:\\dir1001"}));
    EXPECT_TRUE(disk.Rank("dir1", {}, 0).empty());
}

}  // namespace
}  // namespace tarvolo
