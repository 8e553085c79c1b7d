// The model the tests that make the program's forms give them: one favorite,
// two dialogs, and no file behind it.
#pragma once

#include "adapters/WinLocale.h"
#include "model/Model.h"
#include "platform/WinText.h"
#include "tests/support/NoFiles.h"

namespace tarvolo {

struct FormsModel {
    FormsModel() {
        model.favorites = ParseFavorites({"C:\\Windows?0*0"});
        model.dialogs = {"Open", "Save As"};
    }
    NoFiles files;
    const WinAnsiDecoder ansi;
    Model model{"C:\\nowhere", files, ansi};
};

}  // namespace tarvolo
