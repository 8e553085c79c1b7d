// Thin, non-owning wrappers of the standard controls the program uses, so that
// a control's messages are sent in one typed place instead of as raw
// SendMessage casts. The parent window owns and destroys the controls.
#pragma once

#include <windows.h>
#include <commctrl.h>

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
    // -1 (LB_ERR) for an empty list.
    long TopIndex() const { return static_cast<long>(::SendMessageW(hwnd_, LB_GETTOPINDEX, 0, 0)); }
    void SetTopIndex(size_t index) const { ::SendMessageW(hwnd_, LB_SETTOPINDEX, index, 0); }
    void SetItemHeight(int height) const { ::SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, height); }

    // Lists that hold their strings.
    void Clear() const { ::SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0); }
    void Add(const std::string& text) const;
    void Insert(int index, const std::string& text) const;
    void Delete(int index) const { ::SendMessageW(hwnd_, LB_DELETESTRING, static_cast<WPARAM>(index), 0); }
    // Empty for an index out of range.
    std::string Item(int index) const;
    std::vector<std::string> Items() const;

private:
    HWND hwnd_;
};

class Button {
public:
    explicit Button(HWND hwnd = nullptr) : hwnd_(hwnd) {}
    HWND Handle() const { return hwnd_; }
    bool Enabled() const { return ::IsWindowEnabled(hwnd_) != FALSE; }

    // Check boxes.
    bool Checked() const { return ::SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void SetChecked(bool on) const {
        ::SendMessageW(hwnd_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    }

private:
    HWND hwnd_;
};

class Edit {
public:
    explicit Edit(HWND hwnd = nullptr) : hwnd_(hwnd) {}
    HWND Handle() const { return hwnd_; }

    std::string Text() const;
    void SetText(const std::string& text) const;
    int Length() const { return ::GetWindowTextLengthW(hwnd_); }
    void LimitText(int characters) const {
        ::SendMessageW(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
    }
    // Selects from `start` to `end` (in UTF-16 units); -1 as the end selects to the end.
    void Select(int start, int end) const {
        ::SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(start), end);
    }
    // The start of the selection, where the caret is after typing.
    int SelectionStart() const {
        DWORD start = 0;
        ::SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
        return static_cast<int>(start);
    }
    // The end of the selection; the caret when nothing is selected.
    int SelectionEnd() const {
        DWORD end = 0;
        ::SendMessageW(hwnd_, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
        return static_cast<int>(end);
    }

private:
    HWND hwnd_;
};

// The hot-key control's value: the virtual key in the low byte, HOTKEYF_ flags above.
class HotKeyControl {
public:
    explicit HotKeyControl(HWND hwnd = nullptr) : hwnd_(hwnd) {}
    HWND Handle() const { return hwnd_; }

    WORD Value() const { return static_cast<WORD>(::SendMessageW(hwnd_, HKM_GETHOTKEY, 0, 0)); }
    void SetValue(WORD value) const { ::SendMessageW(hwnd_, HKM_SETHOTKEY, value, 0); }
    void SetRules(WPARAM invalid, WORD replacement) const {
        ::SendMessageW(hwnd_, HKM_SETRULES, invalid, replacement);
    }

private:
    HWND hwnd_;
};

// A static control: a line of text, or a picture (SS_ICON).
class Label {
public:
    explicit Label(HWND hwnd = nullptr) : hwnd_(hwnd) {}
    HWND Handle() const { return hwnd_; }

    void SetText(const std::string& text) const;
    // The font is not owned: the caller keeps it while the label lives.
    void SetFont(HFONT font) const {
        ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    // The icon is not owned either.
    void SetIcon(HICON icon) const { ::SendMessageW(hwnd_, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0); }

private:
    HWND hwnd_;
};

// A tab control used as a page control: one tab a page, the pages' controls
// shown and hidden by the form.
class TabControl {
public:
    explicit TabControl(HWND hwnd = nullptr) : hwnd_(hwnd) {}
    HWND Handle() const { return hwnd_; }

    void AddTab(const std::string& text) const;
    // -1 for none.
    int Selected() const { return static_cast<int>(::SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0)); }
    void Select(int index) const { ::SendMessageW(hwnd_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0); }

private:
    HWND hwnd_;
};

// An animation control playing a clip from the program's resources.
class Animation {
public:
    explicit Animation(HWND hwnd = nullptr) : hwnd_(hwnd) {}
    HWND Handle() const { return hwnd_; }

    // Opening a clip makes its own first and last frame the range that plays.
    void Open(HINSTANCE instance, const wchar_t* clip) const {
        ::SendMessageW(hwnd_, ACM_OPENW, reinterpret_cast<WPARAM>(instance), reinterpret_cast<LPARAM>(clip));
    }
    void Close() const { ::SendMessageW(hwnd_, ACM_OPENW, 0, 0); }
    // Plays from `from` to `to` (0xFFFF: the last frame), `repeat` times (-1: for ever).
    void Play(UINT repeat, WORD from, WORD to) const {
        ::SendMessageW(hwnd_, ACM_PLAY, static_cast<WPARAM>(repeat), MAKELPARAM(from, to));
    }
    void Stop() const { ::SendMessageW(hwnd_, ACM_STOP, 0, 0); }

private:
    HWND hwnd_;
};

// A control's painting held off while it changes, and one repaint at the end.
class RedrawHeld {
public:
    explicit RedrawHeld(HWND hwnd) : hwnd_(hwnd) { ::SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0); }
    ~RedrawHeld() {
        ::SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
        ::InvalidateRect(hwnd_, nullptr, erase_);
    }
    RedrawHeld(const RedrawHeld&) = delete;
    RedrawHeld& operator=(const RedrawHeld&) = delete;
    // The repaint erases the background first.
    void EraseAtTheEnd() { erase_ = TRUE; }

private:
    HWND hwnd_;
    BOOL erase_ = FALSE;
};

}  // namespace tarvolo
