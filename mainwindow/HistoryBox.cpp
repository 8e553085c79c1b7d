#include "mainwindow/HistoryBox.h"

#include "platform/Controls.h"

namespace tarvolo {

HistoryBox::HistoryBox(Form& owner, HWND combo)
    : owner_(owner), combo_(combo), face_(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE))) {
    // The box gets a message or more with every keystroke in the search box: its
    // hint is relayed from here rather than hooked (see Form::RelayHints). As
    // with the tree's list, the procedure keeps no pointer to this object.
    ::SetWindowLongPtrW(combo_, GWLP_USERDATA, ::GetWindowLongPtrW(combo_, GWLP_WNDPROC));
    ::SetWindowLongPtrW(combo_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HistoryBox::ComboProc));
    owner_.RelayHints(combo_);
}

LRESULT CALLBACK HistoryBox::ComboProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Form::RelayHintEvent(hwnd, msg, wp, lp);
    const auto combo = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return combo ? ::CallWindowProcW(combo, hwnd, msg, wp, lp) : ::DefWindowProcW(hwnd, msg, wp, lp);
}

std::string HistoryBox::CurrentPath() const {
    return WindowText(combo_);
}

void HistoryBox::SetCurrentPath(const std::string& path) {
    SetWindowTextUtf8(combo_, path);
}

void HistoryBox::ShowChosenPath(const std::string& path, HWND list) {
    SetCurrentPath(path);
    owner_.SetHint(combo_, path);
    owner_.SetHint(list, path);
}

void HistoryBox::SetHistory(const std::vector<std::string>& history) {
    const std::string path = CurrentPath();
    RedrawHeld quiet(combo_);
    quiet.EraseAtTheEnd();
    ComboBox(combo_).SetItems(history);
    SetCurrentPath(path);
}

std::optional<std::string> HistoryBox::Picked(const std::vector<std::string>& history) const {
    const int i = ComboBox(combo_).Selected();
    if (i < 0 || static_cast<size_t>(i) >= history.size()) return std::nullopt;
    return history[static_cast<size_t>(i)];
}

void HistoryBox::ApplyScale() {
    font_.reset(owner_.CreateScaledFont(L"Arial", -13, true));
    ::SendMessageW(combo_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
}

HBRUSH HistoryBox::Colour(HWND control, HDC dc) const {
    if (control != combo_ && ::GetParent(control) != combo_) return nullptr;
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return face_.get();
}

}  // namespace tarvolo
