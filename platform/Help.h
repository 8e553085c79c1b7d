// The help and the program's own documents: an HTML document beside the
// executable, opened in the user's browser at a topic.
#pragma once

#include <windows.h>

#include <string>

namespace tarvolo {

// Opens the help at its contents.
void ShowHelpContents();
// Opens the help at a topic by its name ("IDH_1910"); the contents when the name is empty.
void ShowHelpTopic(const std::string& topic);

// The application's help-file setting as an absolute path (relative names are
// taken from the executable's folder). Empty when no help file is set.
std::wstring HelpDocumentPath();
// A file:/// URL of a document, with "#topic" when a topic is given.
std::wstring DocumentUrl(const std::wstring& path, const std::string& topic);
// Opens a URL in the program registered for HTML documents, passing the URL as
// it is (a plain shell open of a file path drops the "#topic"); false when
// nothing could be started.
bool OpenInBrowser(const std::wstring& url, HWND owner);
// The command line that runs `command` (a registered open command with "%1",
// "%L" or none) for `url`.
std::wstring ExpandOpenCommand(const std::wstring& command, const std::wstring& url);

// The full path of a file in the executable's folder.
std::wstring ProgramFolderPath(const std::wstring& name);

}  // namespace tarvolo
