/* The rules floor: the system calls that the launcher's start-up cannot
 * leave out, in the order it makes them, and nothing of the launcher's own
 * code (no C++ runtime, no toolkit). Where ktr_bare_window is the least a
 * program must do to show the main menu's picture, this is less than a
 * program must do to start the way the launcher must start:
 *
 *   - the application window, which stands for the program on the task bar
 *     and holds the application title, made first and shown with the menu;
 *   - the main menu, owned by it, with its caption and the application title
 *     looked up in MultiLang.ini, and its eight pictures, each one's skin
 *     folder looked up anew;
 *   - after the menu is shown and painted, the hidden Ghost window, made in
 *     full at start: its six pictures, each with its lookup, and its six
 *     captions, never shown.
 *
 * Every lookup reads MultiLang.ini anew through GetPrivateProfileStringA, as
 * the launcher's must. Only the background is turned into a picture, with
 * LoadImage as the floor does, and only it is painted: the other pictures are
 * read and not decoded, so that no decoder's speed counts here. The program
 * icon is left out too. Usage:
 *
 *   ktr_required_floor LANGUAGE
 *
 * LANGUAGE is the section and folder of the medium's texts (ENGLISH), which
 * the launcher takes from the system's locale. Started in the medium's root
 * like the launcher. Exit code 1 when a picture or a window cannot be made. */
#include "floor_window.h"

enum { kMainPictures = 8, kGhostPictures = 6 };

static const char* const kMainFiles[kMainPictures] = {
    "BackgroundEmpty.bmp", "Button2.bmp", "ButtonExit.bmp", "ContentEmpty.bmp",
    "Button1.bmp",         "Button3.bmp", "Button4.bmp",    "Button5.bmp"};
static const char* const kGhostFiles[kGhostPictures] = {
    "BackgroundEmpty.bmp", "ButtonEmpty.bmp",     "ButtonEmpty.bmp",
    "ButtonEmpty.bmp",     "ButtonLongEmpty.bmp", "ButtonLongEmpty.bmp"};
static const char* const kGhostTexts[] = {"RES_GHOST_CAPTION", "RES_BTNINSTALL", "RES_BTNEDIT",
                                          "RES_OK",            "RES_CANCEL",     "RES_HELP"};

static char g_ini[MAX_PATH];
static const char* g_language;
static char g_bytes[1 << 20];

static void Lookup(const char* key, char* text, DWORD size) {
  GetPrivateProfileStringA(g_language, key, "", text, size, g_ini);
}

/* The skin folder comes from the texts for every picture, as in the
 * launcher. The background becomes the picture painted; any other file is
 * read, up to 1 MiB (the medium's largest picture is the 220 KB background). */
static BOOL LoadSkinPicture(const char* file, BOOL background) {
  char folder[64], path[MAX_PATH];
  HANDLE handle;
  DWORD read = 0;
  BOOL whole;
  Lookup("RES_LANG", folder, sizeof folder);
  if (strlen(folder) + strlen(file) + 10 >= sizeof path) return FALSE;
  strcpy(path, "imgdata\\");
  strcat(path, folder);
  strcat(path, "\\");
  strcat(path, file);
  if (background) {
    g_picture = (HBITMAP)LoadImageA(NULL, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    return g_picture != NULL;
  }
  handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, NULL);
  if (handle == INVALID_HANDLE_VALUE) return FALSE;
  whole = ReadFile(handle, g_bytes, sizeof g_bytes, &read, NULL) && read > 0;
  CloseHandle(handle);
  return whole;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  char text[512];
  HWND application, main, ghost;
  int left, top, i;
  DWORD length;
  (void)previous;
  (void)show;

  g_language = command_line;
  length = GetCurrentDirectoryA(sizeof g_ini, g_ini);
  if (length == 0 || length + strlen(g_language) * 2 + 32 >= sizeof g_ini) return 1;
  if (g_ini[length - 1] != '\\') strcat(g_ini, "\\");
  strcat(g_ini, "ImgData\\");
  strcat(g_ini, g_language);
  strcat(g_ini, "\\MultiLang.ini");

  if (!RegisterFloorClass(instance, "KtrFloorApplication") ||
      !RegisterFloorClass(instance, "KtrFloorMenu") ||
      !RegisterFloorClass(instance, "KtrFloorGhost")) {
    return 1;
  }
  application = CreateWindowExA(0, "KtrFloorApplication", "KTR Installation",
                                WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                GetSystemMetrics(SM_CXSCREEN) + 100,
                                GetSystemMetrics(SM_CYSCREEN) + 100, 0, 0, NULL, NULL, instance,
                                NULL);
  if (!application) return 1;

  left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  top = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  main = CreateWindowExA(0, "KtrFloorMenu", "", WS_POPUP, left, top, kWidth, kHeight, application,
                         NULL, instance, NULL);
  if (!main) return 1;
  Lookup("RES_MAINFORM", text, sizeof text);
  SetWindowTextA(main, text);
  Lookup("RES_TITLE", text, sizeof text);
  SetWindowTextA(application, text);
  for (i = 0; i < kMainPictures; ++i) {
    if (!LoadSkinPicture(kMainFiles[i], i == 0)) return 1;
  }
  ShowWindow(main, SW_SHOW);
  SetWindowPos(application, NULL, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(main);

  ghost = CreateWindowExA(0, "KtrFloorGhost", "", WS_POPUP, left, top, kWidth, kHeight,
                          application, NULL, instance, NULL);
  if (!ghost) return 1;
  for (i = 0; i < kGhostPictures; ++i) {
    if (!LoadSkinPicture(kGhostFiles[i], FALSE)) return 1;
  }
  for (i = 0; i < (int)(sizeof kGhostTexts / sizeof kGhostTexts[0]); ++i) {
    Lookup(kGhostTexts[i], text, sizeof text);
    if (i == 0) SetWindowTextA(ghost, text);
  }

  return RunFloor();
}
