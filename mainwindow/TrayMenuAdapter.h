// What the notification-area icon needs of the application and of its menu.
#pragma once

#include <functional>
#include <memory>

#include "mainwindow/FavoritesMenus.h"
#include "platform/Application.h"
#include "platform/Form.h"
#include "tray/CoolTrayIcon.h"

namespace tarvolo {

class TrayMenuAdapter : public TrayHost, public TrayPopupMenu {
public:
    TrayMenuAdapter(const Form& main, FavoritesMenus& menus) : main_(main), menus_(menus) {}

    HWND TaskbarWindow() override { return Application::Get().Handle(); }
    HWND MainWindow() override { return main_.Handle(); }
    HWND ActiveControl() override { return main_.ActiveControl(); }
    void ProcessMessages() override { Application::Get().ProcessMessages(); }
    void SetShowMainFormAtStart(bool show) override { Application::Get().showMainForm = show; }

    bool AutoPopup() const override { return menus_.CoolTrayPopUp->autoPopup; }
    void Popup(int x, int y) override { menus_.CoolTrayPopUp->Popup(main_.Handle(), x, y); }
    bool ActivateDefaultItem() override { return menus_.CoolTrayPopUp->ActivateDefaultItem(); }

private:
    const Form& main_;
    FavoritesMenus& menus_;
};

// The program's icon in the notification area, with its hint, its picture and
// the menu of `adapter`; `onClick` runs when it is clicked. The icon is in the
// notification area when this returns.
std::unique_ptr<TCoolTrayIcon> MakeProgramTrayIcon(TrayMenuAdapter& adapter, std::function<void()> onClick);

}  // namespace tarvolo
