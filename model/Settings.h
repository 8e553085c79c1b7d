// The program's settings as this run holds them: the values of tarvolo.ini,
// changed by the options, the close information and the window itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/LeaveOut.h"
#include "index/Scan.h"
#include "index/Search.h"
#include "store/Global.h"

namespace tarvolo {

struct Settings {
    // The window's bounds and the drive list's entry as last stored; the window
    // writes its own into them just before they are saved.
    int top = 100, left = 100, height = 417, width = 537;
    int drive = 0;
    // Whether the file held a width and a height: a size never stored is the
    // design size at the window's scale.
    bool widthStored = false, heightStored = false;
    // Shortcut value of the system-wide hot key (see store/Global.h); 0 for none.
    uint16_t hotKey = 0;
    // The Quick Jump window's hot key, in the same form; 0 for none.
    uint16_t quickJumpHotKey = 0;
    bool showCloseInfo = true;
    bool includeReadOnly = true, includeHidden = true, includeSystem = true;
    // The rules of the directories left out, as stored; the model makes
    // `leaveOutRules` of them whenever they change.
    std::vector<std::string> leaveOut;
    std::shared_ptr<const LeaveOut> leaveOutRules;
    // After a drive's index is read, what changed on the disk while the program was closed is found.
    bool checkAtStart = true;
    // Typing and Find Next look for the text anywhere in a name, not only at its beginning.
    bool matchAnywhere = false;

    MatchRule SearchRule() const { return matchAnywhere ? MatchRule::anywhere : MatchRule::beginning; }

    ScanFilter Filter() const {
        ScanFilter f;
        f.includeReadOnly = includeReadOnly;
        f.includeHidden = includeHidden;
        f.includeSystem = includeSystem;
        f.leaveOut = leaveOutRules;
        return f;
    }
};

Settings SettingsFromStored(const StoredSettings& stored);
StoredSettings StoredFromSettings(const Settings& settings);

}  // namespace tarvolo
