// The pictures on the program's push buttons, cut from one bitmap strip and
// drawn left of the caption at the owning form's scale.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace tarvolo {

class Form;

// The pictures of the button strip, in the strip's order.
enum class ButtonPicture {
    rescan,
    findNext,
    favorites,
    addFavorite,
    open,
    dialog,
    copy,
    options,
    about,
    help,
    ok
};

// The strip at 16 x 16, magenta transparent; the caller owns the list.
HIMAGELIST LoadButtonPictures();
// Gives `button` picture `picture` of `images` at `owner`'s scale; the form keeps the
// button's own image list for as long as the button lives.
void SetButtonPicture(Form& owner, HWND button, HIMAGELIST images, ButtonPicture picture);
// As above, from a strip loaded once for the whole program.
void SetButtonPictureFromStrip(Form& owner, HWND button, ButtonPicture picture);

}  // namespace tarvolo
