#include "mainwindow/Main.h"

namespace tarvolo {

void TfrmMain::btnAddToFavoritesClick() {}
void TfrmMain::CreateFavoritesPopUp(PopupMenu::Item&) {}
void TfrmMain::btnFavoritesClick() {}
void TfrmMain::CoolTrayPopUpPopup() {}
void TfrmMain::FavoritesOnClick(size_t) {}
void TfrmMain::SentToDialogOnClick(size_t) {}
bool TfrmMain::FavoriteShortcut(WORD, unsigned) { return false; }

}  // namespace tarvolo
