// Send To Dialog: the caption and class-name rules, and the whole send over a
// window tree built from the input, with windows that hang part-way.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "delivery/core/SendToDialog.h"
#include "tests/fuzz/FuzzSupport.h"

namespace tarvolo::fuzz {
namespace {

// The caption rule as stated: an entry matches a caption that begins with
// it when only the ASCII letters a-z are taken as their capitals.
bool ReferenceCaptionMatches(std::string_view caption, std::string_view entry) {
    if (entry.size() > caption.size()) return false;
    for (size_t i = 0; i < entry.size(); ++i) {
        if (UpperAscii(caption[i]) != UpperAscii(entry[i])) return false;
    }
    return true;
}

bool ReferenceClassQualifies(std::string_view className) {
    const std::string_view seen = className.substr(0, 18);
    for (size_t i = 0; i + 4 <= seen.size(); ++i) {
        if (UpperAscii(seen[i]) == 'E' && UpperAscii(seen[i + 1]) == 'D' && UpperAscii(seen[i + 2]) == 'I' &&
            UpperAscii(seen[i + 3]) == 'T')
            return true;
    }
    return false;
}

struct Event {
    enum class Kind { caption, className, defId, getText, setText, command, dlgItem, minimize } kind;
    WindowHandle window = 0;
    bool ok = true;       // a send that answered
    std::string text;     // WM_SETTEXT's text, WM_GETTEXT's answer
    uint32_t wParam = 0;  // WM_COMMAND
    WindowHandle lParam = 0;
};

// Windows of other programs as the input makes them. A top-level window and
// its descendants share one thread: after `answers` sends it hangs, and every
// later send to any of them fails.
class FuzzedWindows : public WindowOps {
public:
    struct Window {
        std::string caption, className, text;
        std::optional<uint32_t> defIdAnswer;
        int id = 0;
        WindowHandle top = 0;
        std::vector<WindowHandle> children;
    };
    std::map<WindowHandle, Window> windows;
    std::vector<WindowHandle> tops;
    std::map<WindowHandle, int> answersLeft;  // per top-level window
    std::vector<Event> events;
    std::function<void()> onMinimize;

    void EnumTopLevel(const Visit& visit) override {
        for (WindowHandle h : tops) {
            if (!visit(h)) return;
        }
    }
    void EnumDescendants(WindowHandle window, const Visit& visit) override { Walk(window, visit); }
    std::string GetCaption(WindowHandle w) override {
        Record(Event::Kind::caption, w);
        return windows.at(w).caption.substr(0, 255);
    }
    std::string GetWindowClassName(WindowHandle w) override {
        Record(Event::Kind::className, w);
        return windows.at(w).className.substr(0, 18);
    }
    std::optional<uint32_t> SendGetDefId(WindowHandle w) override {
        const bool ok = Answers(w);
        Record(Event::Kind::defId, w, ok);
        return ok ? windows.at(w).defIdAnswer : std::nullopt;
    }
    std::optional<std::string> GetText(WindowHandle w) override {
        const bool ok = Answers(w);
        const std::string text = windows.at(w).text.substr(0, 254);
        Record(Event::Kind::getText, w, ok, text);
        if (!ok) return std::nullopt;
        return text;
    }
    bool SetText(WindowHandle w, std::string_view text) override {
        const bool ok = Answers(w);
        Record(Event::Kind::setText, w, ok, std::string(text));
        if (ok) windows.at(w).text = std::string(text);
        return ok;
    }
    bool SendCommand(WindowHandle dialog, uint32_t wParam, WindowHandle lParam) override {
        const bool ok = Answers(dialog);
        Record(Event::Kind::command, dialog, ok, "", wParam, lParam);
        return ok;
    }
    WindowHandle GetDlgItem(WindowHandle dialog, int id) override {
        Record(Event::Kind::dlgItem, dialog);
        for (WindowHandle c : windows.at(dialog).children) {
            if (windows.at(c).id == id) return c;
        }
        return 0;
    }
    void MinimizeApplication() override {
        Record(Event::Kind::minimize, 0);
        if (onMinimize) onMinimize();
    }
    uint32_t LastSendError() const override { return 5; }
    // The input's windows are never standard file dialogs: their classes hold
    // none of the parts that make one, so only the caption rules are fuzzed.
    std::vector<WindowNode> DescribeTree(WindowHandle w) override {
        return {{w, 0, windows.at(w).className, 0}};
    }
    bool IsShown(WindowHandle) override { return true; }
    bool IsWindowMinimized(WindowHandle) override { return false; }
    WindowHandle OwnerOf(WindowHandle) override { return 0; }
    WindowHandle LastActivePopup(WindowHandle w) override { return w; }
    bool SelectBrowseFolder(WindowHandle, std::string_view) override { return false; }

private:
    void Record(Event::Kind kind, WindowHandle w, bool ok = true, std::string text = {}, uint32_t wParam = 0,
                WindowHandle lParam = 0) {
        events.push_back({kind, w, ok, std::move(text), wParam, lParam});
    }
    bool Answers(WindowHandle w) {
        int& left = answersLeft[windows.at(w).top];
        if (left == 0) return false;
        if (left > 0) --left;
        return true;
    }
    bool Walk(WindowHandle parent, const Visit& visit) {
        for (WindowHandle c : windows.at(parent).children) {
            if (!visit(c) || !Walk(c, visit)) return false;
        }
        return true;
    }
};

const char* const kClasses[] = {
    "Edit",   "RichEdit20W", "TEdit",         "ComboBoxEx32",       "Button",
    "Static", "edit",        "SysListView32", "ABCDEFGHIJKLMNEdit", "ABCDEFGHIJKLMNOEdit",
    "#32770", "DirectUIHWND"};

void BuildWindows(FuzzedDataProvider& in, FuzzedWindows& fake) {
    WindowHandle next = 1;
    const int topCount = in.ConsumeIntegralInRange(0, 6);
    for (int t = 0; t < topCount; ++t) {
        const WindowHandle top = next++;
        FuzzedWindows::Window& w = fake.windows[top];
        w.top = top;
        w.caption = in.ConsumeRandomLengthString(300);
        w.className = "#32770";
        switch (in.ConsumeIntegralInRange(0, 3)) {
            case 0:
                w.defIdAnswer = (uint32_t{kDcHasDefId} << 16) | in.ConsumeIntegralInRange(0, 4);
                break;
            case 1:
                w.defIdAnswer = in.ConsumeIntegral<uint32_t>();
                break;
            case 2:
                w.defIdAnswer = 0;
                break;
            default:
                w.defIdAnswer = (uint32_t{kDcHasDefId} << 16) | in.ConsumeIntegral<uint16_t>();
                break;
        }
        fake.tops.push_back(top);
        fake.answersLeft[top] = in.ConsumeBool() ? -1 : in.ConsumeIntegralInRange(0, 8);  // -1: never hangs
        std::vector<WindowHandle> tree{top};
        const int childCount = in.ConsumeIntegralInRange(0, 6);
        for (int c = 0; c < childCount; ++c) {
            const WindowHandle child = next++;
            const WindowHandle parent = tree[in.ConsumeIntegralInRange<size_t>(0, tree.size() - 1)];
            FuzzedWindows::Window& cw = fake.windows[child];
            cw.top = top;
            cw.className = in.ConsumeBool() ? std::string(in.PickValueInArray(kClasses))
                                            : in.ConsumeRandomLengthString(24);
            cw.text = in.ConsumeRandomLengthString(300);
            cw.id = in.ConsumeIntegralInRange(0, 4);
            fake.windows[parent].children.push_back(child);
            tree.push_back(child);
        }
    }
}

// Entries: mostly beginnings of the captions in another case, so that they match.
std::vector<std::string> BuildDialogs(FuzzedDataProvider& in, const FuzzedWindows& fake) {
    std::vector<std::string> dialogs;
    const int count = in.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < count; ++i) {
        if (!fake.tops.empty() && in.ConsumeBool()) {
            const WindowHandle top = fake.tops[in.ConsumeIntegralInRange<size_t>(0, fake.tops.size() - 1)];
            std::string e = fake.windows.at(top).caption.substr(0, in.ConsumeIntegralInRange<size_t>(0, 260));
            for (char& c : e) {
                if (in.ConsumeBool()) c = static_cast<char>(c ^ 0x20);
            }
            dialogs.push_back(e);
        } else {
            dialogs.push_back(in.ConsumeRandomLengthString(40));
        }
    }
    return dialogs;
}

void CheckRules(const FuzzedWindows& fake, const std::vector<std::string>& dialogs) {
    for (const auto& [handle, w] : fake.windows) {
        FUZZ_CHECK(ClassNameQualifies(w.className) == ReferenceClassQualifies(w.className),
                   Show(w.className));
        for (const std::string& e : dialogs) {
            FUZZ_CHECK(CaptionMatches(w.caption, e) == ReferenceCaptionMatches(w.caption, e),
                       Show(w.caption) + " / " + Show(e));
        }
    }
}

std::string ShowEvents(const std::vector<Event>& events) {
    static const char* const kNames[] = {"GetCaption", "GetClassName", "DM_GETDEFID", "WM_GETTEXT",
                                         "WM_SETTEXT", "WM_COMMAND",   "GetDlgItem",  "Minimize"};
    std::string s;
    for (size_t i = 0; i < events.size() && i < 60; ++i) {
        const Event& e = events[i];
        s += "\n  " + std::to_string(i) + " " + kNames[static_cast<int>(e.kind)] + " #" +
             std::to_string(e.window) + (e.ok ? "" : " FAILED");
        if (e.kind == Event::Kind::getText || e.kind == Event::Kind::setText)
            s += " " + Show(e.text.substr(0, 40));
    }
    return s;
}

bool HasEditDescendant(const FuzzedWindows& fake, WindowHandle window) {
    for (WindowHandle c : fake.windows.at(window).children) {
        if (ReferenceClassQualifies(fake.windows.at(c).className) || HasEditDescendant(fake, c)) return true;
    }
    return false;
}

// `alwaysAnswer`: the top-level windows whose thread never hangs.
void CheckSend(const FuzzedWindows& fake, const std::vector<std::string>& dialogs, const DialogSender& sender,
               const std::string& path, WindowHandle dialogBefore,
               const std::vector<WindowHandle>& alwaysAnswer) {
    const std::vector<Event>& ev = fake.events;
    auto matches = [&](WindowHandle top) {
        size_t n = 0;
        for (const std::string& e : dialogs)
            n += ReferenceCaptionMatches(fake.windows.at(top).caption.substr(0, 255), e);
        return n;
    };
    auto topOf = [&](WindowHandle w) { return fake.windows.at(w).top; };

    std::map<WindowHandle, size_t> pathSets;  // per top-level window
    std::map<WindowHandle, bool> failed;      // a send to its thread failed
    size_t minimizes = 0, expectedMinimizes = 0;
    WindowHandle lastMatched = dialogBefore;
    bool filled = false;  // an edit took the path
    WindowHandle filledTop = 0;
    size_t visited = 0;
    for (size_t i = 0; i < ev.size(); ++i) {
        const Event& e = ev[i];
        const std::string where =
            "event " + std::to_string(i) + " window " + std::to_string(e.window) + ShowEvents(ev);
        switch (e.kind) {
            case Event::Kind::caption:
                // Top-level windows in order, each once, none after an edit was filled.
                FUZZ_CHECK(!filled, where + ": walk went on after the path was delivered");
                FUZZ_CHECK(visited < fake.tops.size() && fake.tops[visited] == e.window, where);
                ++visited;
                expectedMinimizes += matches(e.window);
                if (matches(e.window)) lastMatched = e.window;
                break;
            case Event::Kind::minimize:
                ++minimizes;
                break;
            case Event::Kind::className:
            case Event::Kind::dlgItem:
                break;
            default: {
                // Sends go only to matching windows, never to one whose thread failed.
                FUZZ_CHECK(matches(topOf(e.window)) > 0, where + ": send to a window that does not match");
                FUZZ_CHECK(!failed[topOf(e.window)], where + ": send to a window that already failed one");
                if (!e.ok) failed[topOf(e.window)] = true;
                break;
            }
        }
        if (e.kind == Event::Kind::getText || e.kind == Event::Kind::setText) {
            FUZZ_CHECK(
                e.window != topOf(e.window) && ReferenceClassQualifies(fake.windows.at(e.window).className),
                where + ": text of a window that is not an edit descendant");
        }
        const bool isPathSet = e.kind == Event::Kind::setText && i > 0 &&
                               ev[i - 1].kind == Event::Kind::getText && ev[i - 1].window == e.window;
        if (isPathSet) {
            FUZZ_CHECK(e.text == path, where + ": " + Show(e.text));
            ++pathSets[topOf(e.window)];
            if (e.ok && !filled) filledTop = topOf(e.window);
            filled = filled || e.ok;
        }
        if (e.kind == Event::Kind::command) {
            // A click follows the path into the edit, presses the default button
            // the dialog named, and is followed by the old text.
            FUZZ_CHECK(i >= 2 && ev[i - 1].kind == Event::Kind::dlgItem &&
                           ev[i - 2].kind == Event::Kind::setText && ev[i - 2].ok && ev[i - 2].text == path,
                       where + ": click without the path in the edit");
            const std::optional<uint32_t> answer = fake.windows.at(e.window).defIdAnswer;
            FUZZ_CHECK(answer && (*answer >> 16) == kDcHasDefId && (*answer & 0xFFFF) != 0 &&
                           e.wParam == (*answer & 0xFFFF),
                       where + ": wParam " + std::to_string(e.wParam));
            WindowHandle button = 0;
            for (WindowHandle c : fake.windows.at(e.window).children) {
                if (fake.windows.at(c).id == static_cast<int>(e.wParam)) {
                    button = c;
                    break;
                }
            }
            FUZZ_CHECK(e.lParam == button, where + ": lParam " + std::to_string(e.lParam));
            if (e.ok) {
                FUZZ_CHECK(i + 1 < ev.size() && ev[i + 1].kind == Event::Kind::setText &&
                               ev[i + 1].window == ev[i - 2].window && ev[i + 1].text == ev[i - 3].text,
                           where + ": the old text did not go back");
            }
        }
    }
    if (!filled) FUZZ_CHECK(visited == fake.tops.size(), "walk ended without delivering the path");
    // The first matching window that always answers and holds an edit gets the
    // path, unless a window before it took it already.
    for (size_t t = 0; t < fake.tops.size(); ++t) {
        const WindowHandle top = fake.tops[t];
        const bool answers = std::find(alwaysAnswer.begin(), alwaysAnswer.end(), top) != alwaysAnswer.end();
        if (!matches(top) || !answers || !HasEditDescendant(fake, top)) continue;
        FUZZ_CHECK(filled, "window " + std::to_string(top) + " could take the path but none was delivered" +
                               ShowEvents(ev));
        const size_t at =
            static_cast<size_t>(std::find(fake.tops.begin(), fake.tops.end(), filledTop) - fake.tops.begin());
        FUZZ_CHECK(at <= t, "the path went to window " + std::to_string(filledTop) + ", after window " +
                                std::to_string(top) + ShowEvents(ev));
        break;
    }
    for (const auto& [top, count] : pathSets) {
        FUZZ_CHECK(count <= matches(top), "window " + std::to_string(top) + " got the path " +
                                              std::to_string(count) + " times for " +
                                              std::to_string(matches(top)) + " matching entries");
    }
    // The program hides once at the end when a window matched, unless a send was
    // refused and no edit took the path.
    bool anyFailed = false;
    for (const auto& f : failed) anyFailed = anyFailed || f.second;
    const size_t hides = expectedMinimizes > 0 && (filled || !anyFailed) ? 1 : 0;
    FUZZ_CHECK(minimizes == hides, std::to_string(minimizes) + " minimizes for " +
                                       std::to_string(expectedMinimizes) + " matches");
    FUZZ_CHECK(!minimizes || ev.back().kind == Event::Kind::minimize,
               "the program hid before the walk ended");
    FUZZ_CHECK(sender.DialogWindow == lastMatched, std::to_string(sender.DialogWindow) +
                                                       " is not the last "
                                                       "matching window " +
                                                       std::to_string(lastMatched));
}

}  // namespace
}  // namespace tarvolo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvolo;
    using namespace tarvolo::fuzz;
    FuzzedDataProvider in(data, size);
    FuzzedWindows fake;
    BuildWindows(in, fake);
    std::vector<WindowHandle> alwaysAnswer;
    for (const auto& [top, left] : fake.answersLeft)
        if (left < 0) alwaysAnswer.push_back(top);
    const std::vector<std::string> dialogs = BuildDialogs(in, fake);
    CheckRules(fake, dialogs);

    DialogSender sender;
    sender.DialogPath = in.ConsumeRandomLengthString(300);
    const std::string path = sender.DialogPath;
    constexpr WindowHandle kBefore = 0xDEAD;  // no window of the fake
    sender.DialogWindow = kBefore;
    // A message handled while the application minimizes may start a second
    // send; it must not touch any window.
    if (in.ConsumeBool()) {
        fake.onMinimize = [&] {
            const size_t before = fake.events.size();
            sender.SendPathToDialog(fake, dialogs);
            FUZZ_CHECK(fake.events.size() == before, "a nested send reached the windows");
        };
    }
    sender.SendPathToDialog(fake, dialogs);
    CheckSend(fake, dialogs, sender, path, kBefore, alwaysAnswer);
    return 0;
}
