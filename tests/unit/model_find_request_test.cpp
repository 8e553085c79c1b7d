// tarvolo-find's command line and the request and reply it exchanges with the
// running program.
#include <gtest/gtest.h>

#include "model/FindRequest.h"

namespace tarvolo {
namespace {

TEST(FindCommandLine, TermsCountsAndMistakes) {
    struct Case {
        std::vector<std::string> args;
        size_t count;
        std::string text;
        bool error;
    };
    // clang-format off
    const Case cases[] = {
        {{"proj"},                          20,   "proj",          false},
        {{"users", "proj"},                 20,   "users proj",    false},
        {{"users proj"},                    20,   "users proj",    false},  // one quoted argument
        {{"-n", "3", "proj"},               3,    "proj",          false},
        {{"-n3", "proj"},                   3,    "proj",          false},
        {{"proj", "-n", "7"},               7,    "proj",          false},  // the count after the terms
        {{"-n", "1000", "x"},               1000, "x",             false},
        {{"--", "-n", "x"},                 20,   "-n x",          false},  // a name that begins with a dash
        {{"日本", "ü"},                     20,   "日本 ü",        false},
        {{},                                20,   "",              true},
        {{"  "},                            20,   "  ",            true},   // blanks are no term
        {{"-n"},                            20,   "",              true},
        {{"-n", "x", "proj"},               20,   "",              true},
        {{"-n", "0", "proj"},               20,   "",              true},
        {{"-n", "-5", "proj"},              20,   "",              true},
        {{"-n", "1001", "proj"},            20,   "",              true},
        {{"-n", "99999999999", "proj"},     20,   "",              true},
        {{"-x", "proj"},                    20,   "",              true},
        {{"a\tb"},                          20,   "a\tb",          true},
    };
    // clang-format on
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& a : c.args) joined += "[" + a + "]";
        const FindCommandLine line = ParseFindCommandLine(c.args);
        EXPECT_EQ(!line.error.empty(), c.error) << joined << ": " << line.error;
        if (c.error) continue;
        EXPECT_EQ(line.count, c.count) << joined;
        EXPECT_EQ(line.text, c.text) << joined;
        EXPECT_FALSE(line.help) << joined;
    }
    for (const char* help : {"-h", "--help", "/?"})
        EXPECT_TRUE(ParseFindCommandLine({"proj", help}).help) << help;
}

TEST(FindRequest, RoundTripsAndRefusesWhatItDidNotWrite) {
    const FindRequest request{7, "users 日本"};
    const std::optional<FindRequest> back = DecodeFindRequest(EncodeFindRequest(request));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->count, 7u);
    EXPECT_EQ(back->text, "users 日本");

    const std::string good = EncodeFindRequest(request);
    // clang-format off
    const std::string bad[] = {
        "",
        "TVFIND1\n",                       // no count
        "TVFIND1\n7",                      // no line end after it
        "TVFIND1\n0\nx",                   // a count of none
        "TVFIND1\n1001\nx",                // more than a reply may hold
        "TVFIND1\n7x\nx",
        "TVFIND2\n7\nx",                   // another version
        "TVFIND1\n7\nx\ny",                // a line end in the text
        "TVFIND1\n7\n" + std::string(kFindMaxRequestBytes, 'a'),
        good.substr(1),
    };
    // clang-format on
    for (const std::string& bytes : bad) EXPECT_FALSE(DecodeFindRequest(bytes)) << bytes.substr(0, 40);
}

TEST(FindReply, RoundTripsAndEndsAtAPathThatWouldBreakIt) {
    const std::vector<std::string> paths{"E:\\Users\\me\\projects", "C:\\", "D:\\日本"};
    EXPECT_EQ(DecodeFindReply(EncodeFindReply(paths)), paths);
    EXPECT_EQ(DecodeFindReply(EncodeFindReply({})), std::vector<std::string>{})
        << "nothing found is a reply too";
    // A row read from a damaged index may hold a line end: the reply stops before it.
    EXPECT_EQ(DecodeFindReply(EncodeFindReply({"C:\\a", "C:\\b\nc", "C:\\d"})),
              std::vector<std::string>{"C:\\a"});

    for (const std::string& bad : {std::string(""), std::string("TVFOUND1\nC:\\a"),
                                   std::string("TVFOUND1\n\nC:\\a\n"), std::string("TVFIND1\n")})
        EXPECT_FALSE(DecodeFindReply(bad)) << bad;
}

}  // namespace
}  // namespace tarvolo
