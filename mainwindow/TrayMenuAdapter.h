// What the notification-area icon needs of the application and of its menu.
#pragma once

#include "mainwindow/Main.h"
#include "platform/Application.h"
#include "tray/CoolTrayIcon.h"

namespace tarvolo {

class TrayMenuAdapter : public TrayHost, public TrayPopupMenu {
public:
    explicit TrayMenuAdapter(TfrmMain& main) : main_(main) {}

    HWND TaskbarWindow() override { return Application::Get().Handle(); }
    HWND MainWindow() override { return main_.Handle(); }
    HWND ActiveControl() override { return main_.ActiveControl(); }
    void ProcessMessages() override { Application::Get().ProcessMessages(); }
    void SetShowMainFormAtStart(bool show) override { Application::Get().showMainForm = show; }

    bool AutoPopup() const override { return main_.CoolTrayPopUp && main_.CoolTrayPopUp->autoPopup; }
    void Popup(int x, int y) override {
        if (main_.CoolTrayPopUp) main_.CoolTrayPopUp->Popup(main_.Handle(), x, y);
    }
    bool ActivateDefaultItem() override {
        return main_.CoolTrayPopUp && main_.CoolTrayPopUp->ActivateDefaultItem();
    }

private:
    TfrmMain& main_;
};

}  // namespace tarvolo
