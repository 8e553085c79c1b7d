#include "platform/Controls.h"

#include "platform/Form.h"
#include "platform/WinText.h"

namespace tarvolo {

void ComboBox::Add(const std::string& text) const {
    ::SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void ComboBox::SetItems(const std::vector<std::string>& items) const {
    Clear();
    for (const std::string& item : items) Add(item);
}

std::string ComboBox::Item(int index) const {
    const LRESULT n = ::SendMessageW(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index < 0 || n == CB_ERR) return {};
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    const LRESULT got = ::SendMessageW(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                       reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == CB_ERR ? 0 : static_cast<size_t>(got));
    return Narrow(text);
}

int ComboBox::FindExact(const std::string& text) const {
    return static_cast<int>(::SendMessageW(hwnd_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(Widen(text).c_str())));
}

std::vector<std::string> ComboBox::Items() const {
    std::vector<std::string> items;
    for (int i = 0, n = Count(); i < n; ++i) items.push_back(Item(i));
    return items;
}

void ListBox::Add(const std::string& text) const {
    ::SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void ListBox::Insert(int index, const std::string& text) const {
    ::SendMessageW(hwnd_, LB_INSERTSTRING, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

std::string ListBox::Item(int index) const {
    const LRESULT n = ::SendMessageW(hwnd_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index < 0 || n == LB_ERR) return {};
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    const LRESULT got =
        ::SendMessageW(hwnd_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
    return Narrow(text);
}

std::vector<std::string> ListBox::Items() const {
    std::vector<std::string> items;
    for (int i = 0, n = Count(); i < n; ++i) items.push_back(Item(i));
    return items;
}

void Label::SetText(const std::string& text) const {
    SetWindowTextUtf8(hwnd_, text);
}

void TabControl::AddTab(const std::string& text) const {
    std::wstring name = Widen(text);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = name.data();
    const auto count = ::SendMessageW(hwnd_, TCM_GETITEMCOUNT, 0, 0);
    ::SendMessageW(hwnd_, TCM_INSERTITEMW, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(&item));
}

std::string Edit::Text() const {
    return WindowText(hwnd_);
}

void Edit::SetText(const std::string& text) const {
    SetWindowTextUtf8(hwnd_, text);
}

}  // namespace tarvolo
