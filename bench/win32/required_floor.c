/* The floor of what the launcher's start-up rules ask for: the system calls
 * that the launcher cannot leave out, in the order it makes them, and nothing
 * of the launcher's own code (no C++ runtime, no toolkit, no decoder of its
 * own). Where ktr_bare_window is the least a program must do to show the
 * main menu's picture, this is the least a program must do to start the way
 * the launcher must start:
 *
 *   - the application window, which stands for the program on the task bar
 *     and holds the application title, made first and shown with the menu;
 *   - the main menu, owned by it, with its caption and the application title
 *     looked up in MultiLang.ini, and its eight pictures, each one's skin
 *     folder looked up anew, read with the system's loader (LoadImage);
 *   - after the menu is shown and painted, the hidden Ghost window, made in
 *     full at start: its six pictures, each with its lookup, and its six
 *     captions, never shown.
 *
 * Every lookup reads MultiLang.ini anew through GetPrivateProfileStringA, as
 * the launcher's must. Usage:
 *
 *   ktr_required_floor LANGUAGE
 *
 * LANGUAGE is the section and folder of the medium's texts (ENGLISH), which
 * the launcher takes from the system's locale. Started in the medium's root
 * like the launcher. Exit code 1 when a picture or a window cannot be made. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string.h>

enum { kWidth = 658, kHeight = 334, kMainPictures = 8, kGhostPictures = 6 };

static const char* const kMainFiles[kMainPictures] = {
    "BackgroundEmpty.bmp", "Button2.bmp", "ButtonExit.bmp", "ContentEmpty.bmp",
    "Button1.bmp",         "Button3.bmp", "Button4.bmp",    "Button5.bmp"};
static const POINT kMainPlaces[kMainPictures] = {{0, 0},     {438, 169}, {490, 291}, {44, 140},
                                                 {438, 138}, {438, 199}, {438, 230}, {438, 260}};
static const char* const kGhostFiles[kGhostPictures] = {
    "BackgroundEmpty.bmp", "ButtonEmpty.bmp",     "ButtonEmpty.bmp",
    "ButtonEmpty.bmp",     "ButtonLongEmpty.bmp", "ButtonLongEmpty.bmp"};
static const char* const kGhostTexts[] = {"RES_GHOST_CAPTION", "RES_BTNINSTALL", "RES_BTNEDIT",
                                          "RES_OK",            "RES_CANCEL",     "RES_HELP"};

static char g_ini[MAX_PATH];
static const char* g_language;
static HBITMAP g_main[kMainPictures];
static HBITMAP g_ghost[kGhostPictures];

static void Lookup(const char* key, char* text, DWORD size) {
  GetPrivateProfileStringA(g_language, key, "", text, size, g_ini);
}

/* The skin folder comes from the texts for every picture, as in the launcher. */
static HBITMAP LoadSkinPicture(const char* file) {
  char folder[64], path[MAX_PATH];
  Lookup("RES_LANG", folder, sizeof folder);
  if (strlen(folder) + strlen(file) + 10 >= sizeof path) return NULL;
  strcpy(path, "imgdata\\");
  strcat(path, folder);
  strcat(path, "\\");
  strcat(path, file);
  return (HBITMAP)LoadImageA(NULL, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
}

static void Paint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  HDC source = CreateCompatibleDC(dc);
  int i;
  if (source) {
    HGDIOBJ before = SelectObject(source, g_main[0]);
    for (i = 0; i < kMainPictures; ++i) {
      BITMAP size;
      GetObjectA(g_main[i], sizeof size, &size);
      SelectObject(source, g_main[i]);
      BitBlt(dc, kMainPlaces[i].x, kMainPlaces[i].y, size.bmWidth, size.bmHeight, source, 0, 0,
             SRCCOPY);
    }
    SelectObject(source, before);
    DeleteDC(source);
  }
  EndPaint(window, &paint);
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

static BOOL Register(HINSTANCE instance, const char* name) {
  WNDCLASSA window_class;
  memset(&window_class, 0, sizeof window_class);
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(NULL, IDC_ARROW);
  window_class.lpszClassName = name;
  return RegisterClassA(&window_class) != 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  char text[512];
  HWND application, main, ghost;
  MSG message;
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

  if (!Register(instance, "KtrFloorApplication") || !Register(instance, "KtrFloorMenu") ||
      !Register(instance, "KtrFloorGhost")) {
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
    if (!(g_main[i] = LoadSkinPicture(kMainFiles[i]))) return 1;
  }
  ShowWindow(main, SW_SHOW);
  SetWindowPos(application, NULL, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(main);

  ghost = CreateWindowExA(0, "KtrFloorGhost", "", WS_POPUP, left, top, kWidth, kHeight,
                          application, NULL, instance, NULL);
  if (!ghost) return 1;
  for (i = 0; i < kGhostPictures; ++i) {
    if (!(g_ghost[i] = LoadSkinPicture(kGhostFiles[i]))) return 1;
  }
  for (i = 0; i < (int)(sizeof kGhostTexts / sizeof kGhostTexts[0]); ++i) {
    Lookup(kGhostTexts[i], text, sizeof text);
    if (i == 0) SetWindowTextA(ghost, text);
  }

  message.wParam = 0;
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  for (i = 0; i < kMainPictures; ++i) DeleteObject(g_main[i]);
  for (i = 0; i < kGhostPictures; ++i) DeleteObject(g_ghost[i]);
  return (int)message.wParam;
}
