#include "adapters/ButtonPictures.h"

#include <utility>

#include "platform/Application.h"
#include "platform/Form.h"
#include "platform/Handles.h"
#include "platform/Pictures.h"
#include "res/resource.h"

namespace tarvolo {

HIMAGELIST LoadButtonPictures() {
    return ::ImageList_LoadImageW(Application::Get().Instance(), MAKEINTRESOURCEW(IDB_BUTTONS), 16, 0,
                                  RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
}

void SetButtonPicture(Form& owner, HWND button, HIMAGELIST images, ButtonPicture picture) {
    const int index = static_cast<int>(picture);
    // One image list per button: the button draws the list's only picture left of its caption.
    // At the form's scale: the image list stretches the 16 x 16 picture as it adds it.
    const int size = owner.Scaled(16);
    UniqueImageList single;
    if (size > 16) {
        // Above 96 DPI the picture drawn at 32 x 32, averaged to the button's scale,
        // its transparent colour turned into alpha so its edges blend with the face.
        single.reset(::ImageList_Create(size, size, ILC_COLOR32, 1, 0));
        if (!single) return;
        UniqueBitmap scaled(LoadScaledPicture(IDB_BUTTONS, IDB_BUTTONS32, RGB(255, 0, 255), index, size));
        if (scaled) ::ImageList_Add(single.get(), scaled.get(), nullptr);
    } else {
        single.reset(::ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 1, 0));
        if (!single) return;
        UniqueIcon icon(::ImageList_GetIcon(images, index, ILD_NORMAL));
        ::ImageList_AddIcon(single.get(), icon.get());
    }
    BUTTON_IMAGELIST bil{};
    bil.himl = single.get();
    bil.margin = RECT{owner.Scaled(4), 0, 0, 0};
    bil.uAlign = BUTTON_IMAGELIST_ALIGN_LEFT;
    ::SendMessageW(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil));
    owner.KeepButtonPicture(button, std::move(single));
}

void SetButtonPictureFromStrip(Form& owner, HWND button, ButtonPicture picture) {
    static const UniqueImageList strip(LoadButtonPictures());
    if (strip) SetButtonPicture(owner, button, strip.get(), picture);
}

}  // namespace tarvolo
