#include "mainwindow/QuickJump.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "adapters/WinLocale.h"
#include "platform/Application.h"
#include "platform/WinText.h"

namespace tarvolo {

namespace {

enum : int {
    IDC_JUMPTEXT = 100,
    IDC_JUMPLIST,
    IDC_JUMPSTATUS,
    IDC_JUMPKEYS,
};

// The list holds this many directories at most: more is scrolling, not jumping.
constexpr size_t kJumpRows = 50;
// Posted by the search's thread when the latest text has its answer.
constexpr UINT kAnswerMessage = WM_APP + 20;
// Posted when rows changed under the list: the text is looked for again.
constexpr UINT kRowsChangedMessage = WM_APP + 21;

constexpr int kDesignClientWidth = 560;
constexpr int kDesignClientHeight = 352;

constexpr const char* kKeysHint =
    "Enter: to the window you came from (else Open)    Alt+O: Open    Alt+C: Copy    Alt+T: Show in tree    "
    "Esc: Close";

// The last name of a path; the root keeps its whole "E:\".
std::string NameOf(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    if (slash == std::string::npos || slash + 1 == path.size()) return path;
    return path.substr(slash + 1);
}

}  // namespace

const wchar_t* QuickJumpClassName() {
    return L"TfrmQuickJump";
}

TfrmQuickJump::TfrmQuickJump(Model& model, QuickJumpHost& host) : model_(model), host_(host) {
    FormArgs args;
    args.caption = "Quick Jump";
    args.className = QuickJumpClassName();
    // A window of its own on no taskbar button, above the window the user came from.
    args.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
    args.exStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_CONTROLPARENT;
    args.SetClientSize(kDesignClientWidth, kDesignClientHeight);
    args.clientWidth = kDesignClientWidth;
    args.clientHeight = kDesignClientHeight;
    args.minWidth = 320;
    args.minHeight = 200;
    args.centered = true;
    // Not owned by the program's taskbar window: that one is minimized while
    // the program sits in the notification area, and would hide it.
    args.owner = ::GetDesktopWindow();
    CreateForm(args);
    if (!hwnd_) throw std::runtime_error("cannot create the Quick Jump window");
    keyPreview = true;

    // clang-format off
    HWND text = nullptr, list = nullptr;
    AddControl({L"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, IDC_JUMPTEXT,
                8, 8, 544, 24, -1, akLeft | akTop | akRight}, &text);
    // A list that holds its strings, the whole paths, so that a screen reader reads each row.
    AddControl({L"LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY |
                LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE, IDC_JUMPLIST, 8, 40, 544, 258, -1, akAll}, &list);
    AddControl({L"STATIC", "", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 0, IDC_JUMPSTATUS,
                8, 304, 544, 18, -1, akLeft | akRight | akBottom}, lblStatus);
    AddControl({L"STATIC", kKeysHint, SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 0, IDC_JUMPKEYS,
                8, 326, 544, 18, -1, akLeft | akRight | akBottom});
    // clang-format on
    txtJump = Edit(text);
    lstJump = ListBox(list);
    ApplyScale();

    OnNotifyCode(IDC_JUMPTEXT, EN_CHANGE, [this] { TextChanged(); });
    OnNotifyCode(IDC_JUMPLIST, LBN_DBLCLK, [this] { Act(JumpAction::deliver); });

    searcher_ = std::make_unique<JumpSearcher>(
        [window = hwnd_] { ::PostMessageW(window, kAnswerMessage, 0, 0); },
        [window = hwnd_] { ::PostMessageW(window, kRowsChangedMessage, 0, 0); });
    model_.AddRowsReader(searcher_.get());
}

TfrmQuickJump::~TfrmQuickJump() {
    model_.RemoveRowsReader(searcher_.get());
    searcher_.reset();  // its thread ends before the window it posts to
    DestroyForm();
}

void TfrmQuickJump::ShowJump() {
    txtJump.SetText("");
    TextChanged();
    ::ShowWindow(hwnd_, SW_SHOW);
    ::SetForegroundWindow(hwnd_);
    ::SetFocus(txtJump.Handle());
}

void TfrmQuickJump::HideJump() {
    ::ShowWindow(hwnd_, SW_HIDE);
}

bool TfrmQuickJump::CloseQuery() {
    // The window is made once and shown again and again.
    HideJump();
    return false;
}

void TfrmQuickJump::TextChanged() {
    searched_ = false;
    StartSearch();
}

void TfrmQuickJump::DrivesChanged() {
    if (!Shown()) return;
    StartSearch();
    UpdateStatus();
}

void TfrmQuickJump::StartSearch() {
    static const WinCaseFolder folder;
    JumpText text = JumpText::Parse(txtJump.Text(), folder);
    if (text.empty()) {
        // Nothing typed: nothing listed, and no search to wait for.
        searcher_->Start([](const std::atomic<bool>&) { return JumpFound(); });
        return;
    }
    searcher_->Start([text = std::move(text), drives = host_.JumpDrives(), uses = host_.JumpUses(),
                      memo = searcher_->Memo()](const std::atomic<bool>& cancelled) {
        return FindDirectories(text, drives, uses, kJumpRows, &cancelled, memo);
    });
}

void TfrmQuickJump::ShowAnswer() {
    std::optional<JumpFound> found = searcher_->Take();
    if (!found) return;  // a later text's search is under way
    searched_ = true;
    paths_ = std::move(found->paths);
    {
        const RedrawHeld held(lstJump.Handle());
        lstJump.Clear();
        for (const std::string& path : paths_) lstJump.Add(path);
        if (!paths_.empty()) lstJump.Select(0);
    }
    UpdateStatus();
}

void TfrmQuickJump::UpdateStatus() {
    std::string status;
    if (searched_ && paths_.empty() && txtJump.Length() > 0) status = kNoMatch;
    const std::vector<std::string> loading = host_.LoadingDrives();
    if (!loading.empty()) {
        if (!status.empty()) status += "; ";
        status += "still loading";
        for (const std::string& drive : loading) status += " " + drive;
    }
    lblStatus.SetText(status);
}

void TfrmQuickJump::Act(JumpAction action) {
    const int row = lstJump.Selected();
    if (row < 0 || static_cast<size_t>(row) >= paths_.size()) return;
    const std::string path = paths_[static_cast<size_t>(row)];
    // Out of the way first: the delivery brings another window to the front.
    HideJump();
    host_.RunJumpAction(action, path);
}

void TfrmQuickJump::MoveSelection(int step) {
    const int count = lstJump.Count();
    if (count == 0) return;
    int row = lstJump.Selected() + step;
    if (row < 0) row = 0;
    if (row >= count) row = count - 1;
    lstJump.Select(row);
}

bool TfrmQuickJump::PreviewKey(MSG& msg) {
    const WPARAM key = msg.wParam;
    if (msg.message == WM_KEYDOWN) {
        switch (key) {
            case VK_RETURN:
                Act(JumpAction::deliver);
                return true;
            case VK_ESCAPE:
                HideJump();
                return true;
            case VK_DOWN:
                MoveSelection(1);
                return true;
            case VK_UP:
                MoveSelection(-1);
                return true;
            case VK_NEXT:
            case VK_PRIOR: {
                // A page is the rows the list shows whole.
                RECT client{};
                ::GetClientRect(lstJump.Handle(), &client);
                const int page = std::max(1, static_cast<int>(client.bottom / RowHeight()));
                MoveSelection(key == VK_NEXT ? page : -page);
                return true;
            }
            default:
                return false;
        }
    }
    if (msg.message == WM_SYSKEYDOWN) {
        switch (key) {
            case 'O':
                Act(JumpAction::open);
                return true;
            case 'C':
                Act(JumpAction::copy);
                return true;
            case 'T':
                Act(JumpAction::showInTree);
                return true;
            default:
                return false;
        }
    }
    // The characters of the keys taken above would only beep.
    if (msg.message == WM_CHAR) return key == '\r' || key == '\n' || key == 0x1B;
    if (msg.message == WM_SYSCHAR) {
        const wchar_t c = static_cast<wchar_t>(key | 0x20);
        return c == 'o' || c == 'c' || c == 't';
    }
    return false;
}

int TfrmQuickJump::RowHeight() const {
    // Two lines: the name, then the whole path.
    return Scaled(36);
}

void TfrmQuickJump::ApplyScale() {
    nameFont_.reset(CreateScaledFont(FormFontFace(Dpi()), kFormFontHeight, true));
    lstJump.SetItemHeight(RowHeight());
}

void TfrmQuickJump::OnDpiChanged() {
    ApplyScale();
}

bool TfrmQuickJump::OnMeasureItem(MEASUREITEMSTRUCT& item) {
    if (item.CtlID != IDC_JUMPLIST) return false;
    item.itemHeight = static_cast<UINT>(RowHeight());
    return true;
}

bool TfrmQuickJump::OnDrawItem(DRAWITEMSTRUCT& item) {
    if (item.CtlID != IDC_JUMPLIST) return false;
    if (item.itemID == static_cast<UINT>(-1) || item.itemID >= paths_.size()) {
        ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_WINDOW));
        if (item.itemState & ODS_FOCUS) ::DrawFocusRect(item.hDC, &item.rcItem);
        return true;
    }
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    ::SetBkMode(item.hDC, TRANSPARENT);
    const std::string& path = paths_[item.itemID];
    RECT line = item.rcItem;
    line.left += Scaled(4);
    line.right -= Scaled(4);
    line.bottom = line.top + (item.rcItem.bottom - item.rcItem.top) / 2;
    line.top += Scaled(1);
    const std::wstring name = Widen(NameOf(path));
    ::SetTextColor(item.hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const HGDIOBJ old = ::SelectObject(item.hDC, nameFont_ ? nameFont_.get() : Font());
    ::DrawTextW(item.hDC, name.c_str(), static_cast<int>(name.size()), &line,
                DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    ::SelectObject(item.hDC, Font());
    line.top = line.bottom;
    line.bottom = item.rcItem.bottom - Scaled(1);
    const std::wstring whole = Widen(path);
    ::SetTextColor(item.hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_GRAYTEXT));
    ::DrawTextW(item.hDC, whole.c_str(), static_cast<int>(whole.size()), &line,
                DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_PATH_ELLIPSIS);
    ::SelectObject(item.hDC, old);
    if (item.itemState & ODS_FOCUS) ::DrawFocusRect(item.hDC, &item.rcItem);
    return true;
}

LRESULT TfrmQuickJump::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case kAnswerMessage:
            ShowAnswer();
            return 0;
        case kRowsChangedMessage:
            // The rows the list came from are gone; their new state is asked for.
            if (Shown()) StartSearch();
            return 0;
        case WM_ACTIVATE:
            // A click elsewhere closes it, as Esc does.
            if (LOWORD(wp) == WA_INACTIVE && Shown()) {
                const LRESULT result = Form::WndProc(msg, wp, lp);
                HideJump();
                return result;
            }
            break;
        default:
            break;
    }
    return Form::WndProc(msg, wp, lp);
}

}  // namespace tarvolo
