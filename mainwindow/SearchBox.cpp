#include "mainwindow/SearchBox.h"

namespace tarvolo {

void SearchBox::SetText(const std::string& text) {
    if (Text() == text) return;
    edit_.SetText(text);
}

}  // namespace tarvolo
