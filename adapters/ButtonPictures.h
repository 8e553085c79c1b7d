// The pictures on the program's push buttons, cut from one bitmap strip and
// drawn left of the caption at the owning form's scale.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace tarvolo {

class Form;

// Picture indices in the button strip.
enum ButtonPicture {
    picRescan,
    picFindNext,
    picFavorites,
    picAddFavorite,
    picOpen,
    picDialog,
    picCopy,
    picOptions,
    picAbout,
    picHelp,
    picOk
};

// The strip at 16 x 16, magenta transparent; the caller owns the list.
HIMAGELIST LoadButtonPictures();
// Gives `button` picture `picture` of `images` at `owner`'s scale; the form keeps the
// button's own image list for as long as the button lives.
void SetButtonPicture(Form& owner, HWND button, HIMAGELIST images, int picture);
// As above, from a strip loaded once for the whole program.
void SetButtonPictureFromStrip(Form& owner, HWND button, int picture);

}  // namespace tarvolo
