#include "mainwindow/TrayMenuAdapter.h"

#include "res/resource.h"

namespace tarvolo {

std::unique_ptr<TCoolTrayIcon> MakeProgramTrayIcon(TrayMenuAdapter& adapter, std::function<void()> onClick) {
    auto icon = std::make_unique<TCoolTrayIcon>(adapter);
    icon->SetCycleInterval(0);
    icon->SetHint("Tarvolo (use left and right mouse button)");
    icon->SetShowHint(true);
    const UniqueIcon picture(static_cast<HICON>(
        ::LoadImageW(Application::Get().Instance(), MAKEINTRESOURCEW(IDI_TARVOLO), IMAGE_ICON,
                     ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0)));
    icon->SetIcon(picture.get());  // the component keeps a copy
    icon->SetPopupMenu(&adapter);
    icon->SetMinimizeToTray(true);
    icon->OnClick = [onClick = std::move(onClick)](TCoolTrayIcon&) { onClick(); };
    // The icon comes into the notification area once the component is set up.
    icon->FinishLoading();
    return icon;
}

}  // namespace tarvolo
