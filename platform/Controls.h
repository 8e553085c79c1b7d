// Thin, non-owning wrappers of the standard controls the program uses, so that
// a control's messages are sent in one typed place instead of as raw
// SendMessage casts. The parent window owns and destroys the controls.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tarvolo {

class ComboBox {
public:
    explicit ComboBox(HWND hwnd = nullptr) : hwnd_(hwnd) {}
    HWND Handle() const { return hwnd_; }

    void Clear() const { ::SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0); }
    void Add(const std::string& text) const;
    void SetItems(const std::vector<std::string>& items) const;
    int Count() const { return static_cast<int>(::SendMessageW(hwnd_, CB_GETCOUNT, 0, 0)); }
    // -1 (CB_ERR) for no selection.
    int Selected() const { return static_cast<int>(::SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)); }
    void Select(int index) const { ::SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }
    // Empty for an index out of range.
    std::string Item(int index) const;
    // The index of the entry equal to `text` without regard to case; -1 for none.
    int FindExact(const std::string& text) const;
    std::vector<std::string> Items() const;

private:
    HWND hwnd_;
};

class ListBox {
public:
    explicit ListBox(HWND hwnd = nullptr) : hwnd_(hwnd) {}
    HWND Handle() const { return hwnd_; }

    int Count() const { return static_cast<int>(::SendMessageW(hwnd_, LB_GETCOUNT, 0, 0)); }
    // The row count of a list that holds no data of its own (LBS_NODATA).
    void SetCount(size_t count) const { ::SendMessageW(hwnd_, LB_SETCOUNT, count, 0); }
    // -1 (LB_ERR) for no selection.
    int Selected() const { return static_cast<int>(::SendMessageW(hwnd_, LB_GETCURSEL, 0, 0)); }
    void Select(long index) const { ::SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(index), 0); }
    // The first row shown; -1 (LB_ERR) when there is none.
    int TopIndex() const { return static_cast<int>(::SendMessageW(hwnd_, LB_GETTOPINDEX, 0, 0)); }
    void SetTopIndex(long index) const {
        ::SendMessageW(hwnd_, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    }
    // Off while the rows change in several steps; on again repaints the whole list once.
    void SetRedraw(bool on) const;

private:
    HWND hwnd_;
};

}  // namespace tarvolo
