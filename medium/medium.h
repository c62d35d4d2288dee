#pragma once
// Names and folder rules of the installation medium and of the machine
// state the launcher touches. Paths are built by plain concatenation.
#include <array>
#include <string>
#include <string_view>

namespace ktr {
class Files;
class Locale;
class Profile;
}  // namespace ktr

namespace ktr::medium {

// Launch folder: the current directory ending in exactly one backslash. A
// final 0x5C that is the trail byte of a double-byte character is no
// backslash; an empty directory gives "\", the root of the current drive.
std::string LaunchFolderFrom(const std::string& current_directory, unsigned code_page);
std::string LaunchFolder(Files& files, Locale& locale);

// The folder that holds the program's own file, with a trailing backslash,
// by the same double-byte rule as the launch folder.
std::string ProgramFolder(Files& files, Locale& locale);

// launch folder + "imgdata\" + RES_LANG + "\"; RES_LANG is read anew per call.
std::string SkinFolder(Profile& profile, const std::string& launch_folder);
std::string SkinFile(Profile& profile, const std::string& launch_folder, std::string_view file);

struct SkinBitmap {
  std::string_view file;
  int width;
  int height;
};

inline constexpr std::string_view kBackgroundEmpty = "BackgroundEmpty.bmp";
inline constexpr std::string_view kContentEmpty = "ContentEmpty.bmp";
inline constexpr std::string_view kContentManual = "ContentManual.bmp";
inline constexpr std::string_view kContentSnScan = "ContentSnScan.bmp";
inline constexpr std::string_view kContentInstallClient = "ContentInstallClient.bmp";
inline constexpr std::string_view kContentInstallServer = "ContentInstallServer.bmp";
inline constexpr std::string_view kButtonLongEmpty = "ButtonLongEmpty.bmp";
inline constexpr std::string_view kButtonLongEmptyAct = "ButtonLongEmptyAct.bmp";
inline constexpr std::string_view kButtonEmpty = "ButtonEmpty.bmp";
inline constexpr std::string_view kButtonEmptyAct = "ButtonEmptyAct.bmp";

// Every skin folder holds these 22 files, in these layout sizes.
inline constexpr std::array<SkinBitmap, 22> kSkinBitmaps = {{
    {kBackgroundEmpty, 658, 334},
    {kContentEmpty, 358, 143},
    {kContentManual, 358, 143},
    {kContentSnScan, 358, 143},
    {kContentInstallClient, 358, 143},
    {kContentInstallServer, 358, 143},
    {"Button1.bmp", 172, 24},
    {"Button2.bmp", 172, 24},
    {"Button3.bmp", 172, 24},
    {"Button4.bmp", 172, 24},
    {"Button5.bmp", 172, 24},
    {"ButtonExit.bmp", 67, 28},
    {"ButtonAct1.bmp", 172, 24},
    {"ButtonAct2.bmp", 172, 24},
    {"ButtonAct3.bmp", 172, 24},
    {"ButtonAct4.bmp", 172, 24},
    {"ButtonAct5.bmp", 172, 24},
    {"ButtonExitAct.bmp", 67, 28},
    {kButtonLongEmpty, 172, 24},
    {kButtonLongEmptyAct, 172, 24},
    {kButtonEmpty, 67, 28},
    {kButtonEmptyAct, 67, 28},
}};

// Programs and documents on the medium, relative to the launch folder.
inline constexpr std::string_view kScanner = "Run Sentova\\revuvez.exe";
inline constexpr std::string_view kScannerPackageKorean = "/LITE/snlitekor.zip";
inline constexpr std::string_view kScannerPackageOther = "/LITE/snliteeng.zip";
inline constexpr std::string_view kScannerHost = "http://update.ktr-sentova.example";
inline constexpr std::string_view kClientInstaller = "Install\\KTR-Client\\Install.exe";
inline constexpr std::string_view kInstallBuildFolder = "Install\\InstallBuild";
inline constexpr std::string_view kInstallBuild = "Install\\InstallBuild\\InstallBuild.exe";
inline constexpr std::string_view kMediumTool = "imgdata\\RadOzevO.exe";

// Alert templates, relative to the program folder, by language index.
inline constexpr std::array<std::string_view, 4> kAlertFiles = {
    "imgdata\\Alert.alt", "imgdata\\Eng_Alert.alt", "imgdata\\Jap_Alert.alt",
    "imgdata\\Chi_Alert.alt"};

// The machine.
inline constexpr std::string_view kSavedNotice = "C:\\Alert.alt";
inline constexpr std::string_view kInstalledToolCopy = "C:\\RadOzevO.exe";
inline constexpr std::string_view kAgentFolder = "C:\\RiduZadent";
inline constexpr std::string_view kAgentProgram = "RiduZad.exe";
inline constexpr std::string_view kRunOnceKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr std::string_view kRunOnceValue = "RadOzevO";
inline constexpr std::string_view kRunOnceData = "C:\\RadOzevO.Exe";
inline constexpr std::string_view kClientKey = "\\Software\\KTR\\2.0\\RiduZadent\\General";
inline constexpr std::string_view kClientIdValue = "ClientID";

}  // namespace ktr::medium
