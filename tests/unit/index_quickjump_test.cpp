#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "index/JumpRules.h"
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

// The rules applied to every row in turn, each path put together and folded
// whole: what the search must find, however it gets there.
std::vector<JumpHit> RankEveryRow(const JumpText& text, const std::vector<JumpDrive>& drives,
                                  const std::vector<JumpUse>& uses, size_t limit, const CaseFolder& folder) {
    std::unordered_map<std::string, double> weights;
    for (const JumpUse& use : uses)
        if (use.weight > 0) weights[FoldText(use.path, folder)] += use.weight;
    std::vector<jump::Ranked> all;
    for (size_t d = 0; d < drives.size(); ++d) {
        const RowStore& rows = *drives[d].rows;
        for (size_t i = 0; i < rows.size(); ++i) {
            const std::string path = JumpPath(drives[d].letter, rows, i);
            std::vector<std::string> folded;
            for (size_t r = i; r != RowStore::kNoParent; r = rows.Parent(r))
                folded.insert(folded.begin(), FoldText(rows.Name(r), folder));
            const std::vector<std::string_view> names(folded.begin(), folded.end());
            jump::Match match;
            if (text.empty() || !jump::Judge(text.terms, names, match)) continue;
            jump::Ranked r;
            const auto use = weights.find(FoldText(path, folder));
            r.weight = use == weights.end() ? 0 : use->second;
            r.kind = static_cast<uint8_t>(match.kind + (r.weight > 0 ? 1 : 0));
            r.misses = match.misses;
            r.depth = static_cast<uint32_t>(rows.Depth(i));
            r.length = static_cast<uint32_t>(path.size());
            r.drive = static_cast<uint32_t>(d);
            r.row = static_cast<uint32_t>(i);
            all.push_back(r);
        }
    }
    std::sort(all.begin(), all.end(), jump::Better);
    std::vector<JumpHit> hits;
    for (size_t k = 0; k < all.size() && k < limit; ++k)
        hits.push_back(JumpHit{drives[all[k].drive].letter, all[k].row});
    return hits;
}

std::vector<JumpDrive> ListOf(const std::vector<Drive>& drives) {
    std::vector<JumpDrive> list;
    for (const Drive& d : drives) list.push_back(JumpDrive{d.letter, &d.rows, &d.search});
    return list;
}

// Expects the search's list for `typed` to be RankEveryRow's; adds its length to `found`.
void ExpectEveryRowOrder(const std::string& typed, const std::vector<JumpDrive>& list,
                         const std::vector<JumpUse>& uses, size_t limit, int round, size_t& found) {
    const AsciiCaseFolder folder;
    const JumpText text = JumpText::Parse(typed, folder);
    const std::vector<JumpHit> expected = RankEveryRow(text, list, uses, limit, folder);
    EXPECT_EQ(RankDirectories(text, list, uses, limit), expected)
        << "round " << round << ", text \"" << typed << "\", limit " << limit;
    found += expected.size();
}

// Random trees of names made of few letters, so that terms occur at name
// starts, word starts and inside words, many times over.
class RandomDisk {
public:
    explicit RandomDisk(unsigned seed) : random_(seed) {}

    size_t Pick(size_t n) { return static_cast<size_t>(random_() % n); }
    std::string Word(size_t maxLength) {
        static const std::string letters = "abcs-. _";
        std::string w;
        const size_t length = 1 + Pick(maxLength);
        for (size_t k = 0; k < length; ++k) w += letters[Pick(w.empty() ? 4 : letters.size())];
        return w;
    }
    // One to three drives of 50 to 350 rows; `paths` gets every row's whole path.
    std::vector<Drive> Drives(std::vector<std::string>& paths) {
        const AsciiCaseFolder folder;
        std::vector<Drive> drives(1 + Pick(3));
        for (size_t d = 0; d < drives.size(); ++d) {
            drives[d].letter = static_cast<char>('C' + d);
            drives[d].rows.Append("\\");
            std::vector<std::string> open{""};
            const size_t count = 50 + Pick(300);
            for (size_t k = 0; k < count; ++k) {
                const size_t level = 1 + Pick(std::min<size_t>(open.size(), 6));
                open.resize(level);
                std::string name = Word(7);
                if (Pick(3) == 0) name[0] = static_cast<char>(name[0] - 'a' + 'A');
                const std::string path = open.back() + "\\" + name;
                open.push_back(path);
                drives[d].rows.Append(path);
                paths.push_back(std::string(1, drives[d].letter) + ":" + path);
            }
            drives[d].search.Build(drives[d].rows, folder);
        }
        return drives;
    }
    // Up to 30 of `paths`, some in capitals, some of no weight.
    std::vector<JumpUse> Uses(const std::vector<std::string>& paths) {
        std::vector<JumpUse> uses;
        for (size_t k = Pick(30); k > 0; --k) {
            std::string path = paths[Pick(paths.size())];
            if (Pick(2))
                std::transform(path.begin(), path.end(), path.begin(),
                               [](char c) { return static_cast<char>(std::toupper(c)); });
            uses.push_back(JumpUse{path, static_cast<double>(Pick(4)) * 0.5});
        }
        return uses;
    }

private:
    std::mt19937 random_;
};

TEST(QuickJumpTest, FindsWhatEveryRowJudgedInTurnFinds) {
    RandomDisk disk(27);
    size_t found = 0;
    for (int round = 0; round < 30; ++round) {
        std::vector<std::string> paths;
        const std::vector<Drive> drives = disk.Drives(paths);
        const std::vector<JumpUse> uses = disk.Uses(paths);
        for (int t = 0; t < 20; ++t) {
            std::string typed = disk.Word(3);
            for (size_t more = disk.Pick(3); more > 0; --more) typed += " " + disk.Word(2);
            ExpectEveryRowOrder(typed, ListOf(drives), uses, 1 + disk.Pick(60), round, found);
        }
    }
    EXPECT_GT(found, 30u * 20u * 5u) << "the texts find little: the comparison proves little";
}

// Texts of one term and of several typed a letter at a time, and typed
// afresh: the name starts, and the rows and spans a search keeps for the next
// keystroke, find the list a scan of every name finds.
TEST(QuickJumpTest, NameStartsAndKeptRowsFindWhatEveryNameScannedFinds) {
    RandomDisk disk(30);
    const AsciiCaseFolder folder;
    size_t found = 0, fromKept = 0, severalFound = 0;
    // Several terms: searches that began from the spans kept for the same
    // earlier terms, from those kept for fewer, and from the rows kept for
    // the last term's beginning.
    size_t fromSpans = 0, fromFewerSpans = 0, fromKeptLast = 0;
    for (int round = 0; round < 40; ++round) {
        std::vector<std::string> paths;
        const std::vector<Drive> drives = disk.Drives(paths);
        const std::vector<JumpDrive> list = ListOf(drives);
        const std::vector<JumpUse> uses = disk.Uses(paths);
        JumpMemo memo;
        for (int t = 0; t < 10; ++t) {
            std::string typed = disk.Word(6);
            for (size_t more = disk.Pick(3); more > 0; --more) typed += " " + disk.Word(3);
            const size_t limit = 1 + disk.Pick(40);
            // Typed afresh half the time: what was kept is of another text.
            if (disk.Pick(2)) memo.Clear();
            for (size_t n = 1; n <= typed.size(); ++n) {
                const JumpText text = JumpText::Parse(typed.substr(0, n), folder);
                if (text.empty()) continue;
                fromKept += !memo.term.empty() && text.terms[0].rfind(memo.term, 0) == 0;
                const size_t earlier = text.terms.size() - 1;
                // A text ending in a space has the spans of all its terms found for the next.
                const size_t spanned = text.open ? text.terms.size() : earlier;
                const bool spansKept =
                    spanned > 0 && !memo.earlier.empty() && memo.earlier.size() <= spanned &&
                    std::equal(memo.earlier.begin(), memo.earlier.end(), text.terms.begin());
                fromSpans += spansKept && memo.earlier.size() == earlier;
                fromFewerSpans += spansKept && memo.earlier.size() < spanned;
                fromKeptLast += spansKept && memo.earlier.size() == earlier && !memo.last.empty() &&
                                text.terms.back().rfind(memo.last, 0) == 0;
                const std::vector<JumpHit> expected =
                    RankDirectories(text, list, uses, limit, nullptr, JumpScan::everyName);
                EXPECT_EQ(RankDirectories(text, list, uses, limit, nullptr, JumpScan::fastest, &memo),
                          expected)
                    << "round " << round << ", text \"" << typed.substr(0, n) << "\", limit " << limit;
                EXPECT_EQ(RankDirectories(text, list, uses, limit), expected)
                    << "round " << round << ", text \"" << typed.substr(0, n) << "\" typed afresh, limit "
                    << limit;
                found += expected.size();
                if (text.terms.size() > 1) severalFound += expected.size();
                // A search of several terms keeps the spans of its earlier terms.
                if (spanned > 0) {
                    EXPECT_TRUE(std::equal(text.terms.begin(),
                                           text.terms.begin() + static_cast<long>(spanned),
                                           memo.earlier.begin(), memo.earlier.end()))
                        << "round " << round << ", text \"" << typed.substr(0, n) << "\": spans not kept";
                }
            }
        }
    }
    EXPECT_GT(found, 40u * 10u * 5u) << "the texts find little: the comparison proves little";
    EXPECT_GT(severalFound, 40u * 10u) << "texts of several terms find little: they are hardly compared";
    EXPECT_GT(fromKept, 40u * 2u) << "few searches started from kept rows: they are hardly compared";
    EXPECT_GT(fromSpans, 40u * 5u) << "few searches started from kept spans";
    EXPECT_GT(fromFewerSpans, 40u) << "few searches started from the spans of fewer terms";
    EXPECT_GT(fromKeptLast, 40u * 2u) << "few searches started from the rows kept for the last term";
}

// Texts of several terms over trees that try the edges of the spans of the
// earlier terms, each typed a letter at a time with what the search before
// kept: the exact list, and the one a scan of every name finds.
TEST(QuickJumpTest, SpansOfTheEarlierTermsFindTheirMatchesOnly) {
    const AsciiCaseFolder folder;
    const struct {
        const char* what;
        std::vector<std::string> rows;
        const char* typed;
        std::vector<std::string> expected;
    } cases[] = {
        {"the terms in one name, in the order typed",
         {"\\", "\\ab-cd", "\\cd-ab", "\\cd-ab\\cd"},
         "ab cd",
         {"C:\\ab-cd", "C:\\cd-ab\\cd"}},
        {"a span inside a span is met once",
         {"\\", "\\src", "\\src\\lib", "\\src\\lib\\src", "\\src\\lib\\src\\x"},
         "src x",
         {"C:\\src\\lib\\src\\x"}},
        {"a span ends with its subtree",
         {"\\", "\\a", "\\a\\src", "\\a\\src\\c", "\\a\\c", "\\c"},
         "src c",
         {"C:\\a\\src\\c"}},
        {"the last term after the earlier ones in the span's own name",
         {"\\", "\\x", "\\x\\ba", "\\x\\ab", "\\x\\ab\\b"},
         "a b",
         {"C:\\x\\ab", "C:\\x\\ab\\b"}},
        {"three terms, the second below the first",
         {"\\", "\\u", "\\u\\me", "\\u\\me\\docs", "\\me", "\\me\\u", "\\me\\u\\docs"},
         "u me docs",
         {"C:\\u\\me\\docs"}},
        {"a row holding a path that does not continue its parent's",
         {"\\", "\\p", "\\q\\src", "\\p\\src"},
         "p src",
         {"C:\\q\\src", "C:\\p\\src"}},
    };
    for (const auto& c : cases) {
        Drive drive{'C', {}, {}};
        for (const std::string& row : c.rows) drive.rows.Append(row);
        drive.search.Build(drive.rows, folder);
        const std::vector<JumpDrive> list{JumpDrive{'C', &drive.rows, &drive.search}};
        JumpMemo memo;
        const std::string typed = c.typed;
        for (size_t n = 1; n <= typed.size(); ++n) {
            const JumpText text = JumpText::Parse(typed.substr(0, n), folder);
            EXPECT_EQ(RankDirectories(text, list, {}, 50, nullptr, JumpScan::fastest, &memo),
                      RankDirectories(text, list, {}, 50, nullptr, JumpScan::everyName))
                << c.what << ", \"" << typed.substr(0, n) << "\"";
        }
        std::vector<std::string> paths;
        for (const JumpHit& hit :
             RankDirectories(JumpText::Parse(typed, folder), list, {}, 50, nullptr, JumpScan::fastest, &memo))
            paths.push_back(JumpPath('C', drive.rows, hit.row));
        EXPECT_EQ(paths, c.expected) << c.what;
    }
}

// What a search keeps is of use only to the drives and rows it was kept for,
// and a search that was cancelled keeps nothing of its own.
TEST(QuickJumpTest, SpansKeptAreUsedOnlyWhereTheyHold) {
    const AsciiCaseFolder folder;
    Drive first{'C', {}, {}}, second{'C', {}, {}};
    for (const char* row : {"\\", "\\src", "\\src\\lib", "\\doc", "\\doc\\lib"}) first.rows.Append(row);
    for (const char* row : {"\\", "\\doc", "\\doc\\src", "\\doc\\src\\lib"}) second.rows.Append(row);
    first.search.Build(first.rows, folder);
    second.search.Build(second.rows, folder);
    const std::vector<JumpDrive> one{JumpDrive{'C', &first.rows, &first.search}};
    const std::vector<JumpDrive> other{JumpDrive{'C', &second.rows, &second.search}};
    JumpMemo memo;
    const JumpText text = JumpText::Parse("src li", folder);
    EXPECT_EQ(RankDirectories(text, one, {}, 50, nullptr, JumpScan::fastest, &memo).size(), 1u);
    ASSERT_EQ(memo.earlier, std::vector<std::string>{"SRC"});
    // Other rows: the spans kept are not theirs.
    const std::vector<JumpHit> hits =
        RankDirectories(JumpText::Parse("src lib", folder), other, {}, 50, nullptr, JumpScan::fastest, &memo);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(JumpPath('C', second.rows, hits[0].row), "C:\\doc\\src\\lib");
    // A cancelled search leaves the memo as it was.
    const std::atomic<bool> cancelled{true};
    RankDirectories(JumpText::Parse("doc li", folder), other, {}, 50, &cancelled, JumpScan::fastest, &memo);
    EXPECT_EQ(memo.earlier, std::vector<std::string>{"SRC"});
}

// Few names, each under many parents (as "src" and "node_modules" are), some
// not ASCII, some rows holding a whole path that does not continue the row
// above; used directories among them in any case. A used name is then told
// apart from its namesakes, and the scan passes rows by, only as the rules allow.
TEST(QuickJumpTest, FindsWhatEveryRowJudgedInTurnFindsWhereNamesRepeat) {
    std::mt19937 random(2027);
    const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    const std::vector<std::string> vocabulary = {"src",
                                                 "Src",
                                                 "lib",
                                                 "ab",
                                                 "a b",
                                                 "b-a",
                                                 "caba",
                                                 "\xC3\xA9"
                                                 "a",
                                                 "s\xC3\xA9",
                                                 "bas",
                                                 "abc",
                                                 "sc"};
    const AsciiCaseFolder folder;
    size_t found = 0;
    for (int round = 0; round < 25; ++round) {
        std::vector<Drive> drives(1 + pick(2));
        std::vector<std::string> paths;
        for (size_t d = 0; d < drives.size(); ++d) {
            drives[d].letter = static_cast<char>('C' + d);
            drives[d].rows.Append("\\");
            std::vector<std::string> open{""};
            for (size_t k = 0, count = 100 + pick(400); k < count; ++k) {
                const size_t level = 1 + pick(std::min<size_t>(open.size(), 5));
                open.resize(level);
                std::string path = open.back();
                // A directory whose parent was never listed: the row holds its whole path.
                if (pick(25) == 0) path += "\\" + vocabulary[pick(vocabulary.size())] + "x";
                path += "\\" + vocabulary[pick(vocabulary.size())];
                open.push_back(path);
                drives[d].rows.Append(path);
                paths.push_back(std::string(1, drives[d].letter) + ":" + path);
            }
            drives[d].search.Build(drives[d].rows, folder);
        }
        std::vector<JumpUse> uses;
        for (size_t k = 1 + pick(40); k > 0; --k)
            uses.push_back(JumpUse{paths[pick(paths.size())], 0.5 + static_cast<double>(pick(4))});
        const std::vector<std::string> texts = {"s",        "a",   "b",   "src",   "ab",
                                                "\xC3\xA9", "s a", "a b", "src s", "b a c"};
        for (const std::string& typed : texts)
            ExpectEveryRowOrder(typed, ListOf(drives), uses, 1 + pick(40), round, found);
    }
    EXPECT_GT(found, 25u * 10u * 5u) << "the texts find little: the comparison proves little";
}

TEST(QuickJumpTest, ACancelledSearchStopsWithWhatItHas) {
    std::vector<std::string> rows{"\\"};
    for (int i = 0; i < 5000; ++i) rows.push_back("\\src" + std::to_string(i));
    RowStore store;
    for (const std::string& r : rows) store.Append(r);
    SearchIndex search;
    const AsciiCaseFolder folder;
    search.Build(store, folder);
    const std::atomic<bool> cancelled{true};
    const std::vector<JumpHit> hits = RankDirectories(JumpText::Parse("src", folder),
                                                      {JumpDrive{'C', &store, &search}}, {}, 50, &cancelled);
    EXPECT_LT(hits.size(), 50u);
}

}  // namespace
}  // namespace tarvolo
