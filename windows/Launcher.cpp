// The installed meter's Start-menu entry: runs quendal.exe in the user's own folder,
// %APPDATA%\Quendal, which holds what the portable program keeps beside itself and in its
// working folder (config.ini, calibration.txt, the face picture, the logs), so nothing is
// written under Program Files. The first run fills a new folder with the default face, its
// calibration and transmit scales, so the meter comes up calibrated.
#include <shlobj.h>
#include <windows.h>

#include <string>

namespace {

const wchar_t* const kCaption = L"Quendal for FlexRadio";
const wchar_t* const kDefaults[] = {L"quendal.png", L"quendal-foreground.png", L"calibration.txt",
                                    L"quendal.power.txt", L"quendal.swr.txt"};

std::wstring OwnFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return L".";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring SettingsFolder() {
  PWSTR roaming = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &roaming)))
    folder = std::wstring(roaming) + L"\\Quendal";
  CoTaskMemFree(roaming);
  return folder;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Filled aside and moved in whole, so an interrupted first run is simply repeated.
bool FillSettingsFolder(const std::wstring& defaults, const std::wstring& folder) {
  const std::wstring fresh = folder + L".new" + std::to_wstring(GetCurrentProcessId());
  if (!CreateDirectoryW(fresh.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return false;
  bool copied = true;
  for (const wchar_t* name : kDefaults)
    copied = copied &&
             CopyFileW((defaults + L"\\" + name).c_str(), (fresh + L"\\" + name).c_str(), FALSE);
  if (copied && MoveFileExW(fresh.c_str(), folder.c_str(), 0)) return true;
  for (const wchar_t* name : kDefaults) DeleteFileW((fresh + L"\\" + name).c_str());
  RemoveDirectoryW(fresh.c_str());
  return IsFolder(folder);  // another start may have filled it meanwhile
}

// The launcher's own arguments, as given: everything after the program's name.
std::wstring ArgumentsAfterProgramName() {
  const wchar_t* rest = GetCommandLineW();
  if (*rest == L'"') {
    ++rest;
    while (*rest != L'\0' && *rest != L'"') ++rest;
    if (*rest == L'"') ++rest;
  } else {
    while (*rest != L'\0' && *rest != L' ' && *rest != L'\t') ++rest;
  }
  while (*rest == L' ' || *rest == L'\t') ++rest;
  return rest;
}

int Refuse(const std::wstring& text) {
  MessageBoxW(nullptr, text.c_str(), kCaption, MB_OK | MB_ICONERROR);
  return 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring here = OwnFolder();
  const std::wstring folder = SettingsFolder();
  if (folder.empty()) return Refuse(L"The user's application data folder is unknown.");
  if (!IsFolder(folder) && !FillSettingsFolder(here, folder))
    return Refuse(L"Cannot create the settings folder " + folder + L".");

  const std::wstring program = here + L"\\quendal.exe";
  std::wstring command = L"\"" + program + L"\" --config \"" + folder + L"\\config.ini\"";
  const std::wstring arguments = ArgumentsAfterProgramName();
  if (!arguments.empty()) command += L" " + arguments;

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process))
    return Refuse(L"Cannot start " + program + L".");
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}
