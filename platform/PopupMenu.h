// Popup menus whose items carry pictures from an image strip, a click handler
// each and an optional shortcut text, built and rebuilt by the program.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Handles.h"

namespace tarvolo {

// Square pictures cut from a bitmap strip (drawn at 16 x 16 and at 32 x 32);
// magenta pixels are transparent.
class MenuImages {
public:
    MenuImages(int resource16, int resource32, int size = 16);
    // Cuts the pictures again at `size` x `size`, for a change of screen scale.
    void Load(int size);
    HBITMAP Picture(int index) const;
    int Count() const { return static_cast<int>(pictures_.size()); }

private:
    int resource16_, resource32_;
    std::vector<UniqueBitmap> pictures_;
};

class PopupMenu {
public:
    struct Item {
        std::string caption;
        int image = -1;
        int tag = 0;
        std::string shortcut;  // shown right-aligned; empty for none
        std::function<void()> onClick;
        std::unique_ptr<PopupMenu> submenu;
        bool separator = false;
        bool enabled = true;  // false: shown greyed, and cannot be chosen
    };

    explicit PopupMenu(const MenuImages* images = nullptr);
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    Item& Add(std::string caption, int image = -1, std::function<void()> onClick = {});
    void AddSeparator();
    Item& At(size_t i) { return *items_[i]; }
    size_t Count() const { return items_.size(); }
    void Clear();

    std::function<void()> onPopup;  // runs before the menu is shown
    bool autoPopup = true;

    // Shows the menu at a screen position, runs the chosen item's handler after
    // the menu has closed; returns whether an item was chosen.
    bool Popup(HWND owner, int x, int y);
    // Runs the handler of the top-level item marked default, nearest the top.
    bool ActivateDefaultItem();
    int defaultItem = -1;

    // The menu handle as last built (for inspection by tests of the windows).
    HMENU Handle() const { return built_.get(); }
    // Builds the menu handle from the items as they are now, without showing it.
    HMENU BuildHandle();

private:
    HMENU Build(std::vector<Item*>& byId);
    const MenuImages* images_;
    std::vector<std::unique_ptr<Item>> items_;
    UniqueMenu built_;
};

}  // namespace tarvolo
