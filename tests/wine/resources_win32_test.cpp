// What Windows reads from quillet.exe itself: the version information, the icon group, the
// manifest (common controls 6, DPI awareness) and the update window's pictures per density.
// The program is looked for beside this test program, or where QUILLET_EXE names it.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <shlwapi.h>

#include <cstdlib>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/png_pictures.h"
#include "resources/resource_ids.h"

namespace quillet::wine_tests {
namespace {

// A resource type's number as the wide-character functions take it.
const wchar_t* Type(const char* type) { return MAKEINTRESOURCEW(reinterpret_cast<ULONG_PTR>(type)); }

std::wstring ProgramPath() {
  if (const char* named = std::getenv("QUILLET_EXE"); named != nullptr && *named != '\0') {
    std::string path = named;
    if (path.front() == '/') path = "Z:" + path;  // a Linux path, as CTest gives it
    for (char& c : path) c = c == '/' ? '\\' : c;
    return std::wstring(path.begin(), path.end());
  }
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"quillet.exe";
}

// The program loaded as a file of resources, not run.
class ProgramResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module = LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr) << "cannot open the program's resources";
  }
  void TearDown() override {
    if (module != nullptr) FreeLibrary(module);
  }
  std::string Resource(const wchar_t* type, int id) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (found == nullptr) return {};
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(data, SizeofResource(module, found));
  }
  HMODULE module = nullptr;
};

// version.dll's readers, taken at run time (the test program links no more than the program).
struct VersionApi {
  HMODULE dll = LoadLibraryW(L"version.dll");
  template <typename F>
  F* Get(const char* name) {
    return reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  }
  decltype(&GetFileVersionInfoSizeW) size = Get<decltype(GetFileVersionInfoSizeW)>("GetFileVersionInfoSizeW");
  decltype(&GetFileVersionInfoW) read = Get<decltype(GetFileVersionInfoW)>("GetFileVersionInfoW");
  decltype(&VerQueryValueW) query = Get<decltype(VerQueryValueW)>("VerQueryValueW");
};

std::wstring VersionString(VersionApi& api, const std::vector<char>& info, const wchar_t* name) {
  wchar_t* value = nullptr;
  UINT length = 0;
  std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!api.query(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) return L"<missing>";
  return value;
}

TEST_F(ProgramResources, VersionInformationNamesTheProductAndItsMaker) {
  VersionApi api;
  ASSERT_TRUE(api.size && api.read && api.query);
  std::wstring path = ProgramPath();
  DWORD size = api.size(path.c_str(), nullptr);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(api.read(path.c_str(), 0, size, info.data()));
  EXPECT_EQ(VersionString(api, info, L"ProductName"), L"Quillet");
  EXPECT_EQ(VersionString(api, info, L"CompanyName"), L"Velmora");
  EXPECT_EQ(VersionString(api, info, L"OriginalFilename"), L"quillet.exe");
  EXPECT_EQ(VersionString(api, info, L"FileVersion"), VersionString(api, info, L"ProductVersion"));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(api.query(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_GE(HIWORD(fixed->dwFileVersionMS), 1);
  std::wstring text = VersionString(api, info, L"FileVersion");  // "1.0.0" for 1,0,0,0
  EXPECT_EQ(text.substr(0, text.find(L'.')), std::to_wstring(HIWORD(fixed->dwFileVersionMS)));
}

#pragma pack(push, 2)
struct IconDirEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

BOOL CALLBACK CountName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
  reinterpret_cast<std::vector<LONG_PTR>*>(names)->push_back(IS_INTRESOURCE(name) ? reinterpret_cast<LONG_PTR>(name)
                                                                                  : -1);
  return TRUE;
}

// The small and the large icon at 96, 120 and 144 dpi each have an image drawn at their size.
TEST_F(ProgramResources, OneIconGroupWithAnImageForEverySizeTheDensitiesUse) {
  std::vector<LONG_PTR> groups;
  EnumResourceNamesW(module, Type(RT_GROUP_ICON), &CountName, reinterpret_cast<LONG_PTR>(&groups));
  EXPECT_EQ(groups, std::vector<LONG_PTR>{IDI_QUILLET}) << "the first group is the one the shell shows";

  std::string group = Resource(Type(RT_GROUP_ICON), IDI_QUILLET);
  ASSERT_GE(group.size(), 6u);
  WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
  ASSERT_EQ(group.size(), 6u + count * sizeof(IconDirEntry));
  std::set<int> sizes;
  for (WORD i = 0; i < count; ++i) {
    const auto* entry = reinterpret_cast<const IconDirEntry*>(group.data() + 6 + i * sizeof(IconDirEntry));
    EXPECT_EQ(entry->width, entry->height);
    EXPECT_EQ(entry->bitCount, 32) << "size " << int(entry->width);
    sizes.insert(entry->width);
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 20, 24, 32, 40, 48}));

  for (int size : {16, 20, 24, 32, 40, 48}) {
    // The image the system picks for this size is the one drawn at it, not a scaled one.
    int id = LookupIconIdFromDirectoryEx(reinterpret_cast<BYTE*>(group.data()), TRUE, size, size, LR_DEFAULTCOLOR);
    std::string image = Resource(Type(RT_ICON), id);
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER)) << size;
    // Every image is a PNG file (a third of a bitmap's bytes, or less).
    bool png = image.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
    EXPECT_TRUE(png) << size;
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(image[at]); };
    EXPECT_EQ(png ? byte(16) << 24 | byte(17) << 16 | byte(18) << 8 | byte(19)
                  : reinterpret_cast<const BITMAPINFOHEADER*>(image.data())->biWidth,
              size);

    HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_QUILLET), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

TEST_F(ProgramResources, ManifestAsksForCommonControls6AndDeclaresDpiAwareness) {
  std::string manifest = Resource(Type(RT_MANIFEST), IDR_MANIFEST);
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(manifest.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos);
  EXPECT_NE(manifest.find("WindowsSettings\">true</dpiAware>"), std::string::npos);
  EXPECT_NE(manifest.find("WindowsSettings\">PerMonitorV2, system</dpiAwareness>"), std::string::npos);
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << "no elevation";
#ifdef _WIN64
  const std::wstring architecture = L"amd64";
#else
  const std::wstring architecture = L"x86";
#endif
  EXPECT_NE(manifest.find("processorArchitecture=\"" + std::string(architecture.begin(), architecture.end()) + "\"/>"),
            std::string::npos)
      << "the program's own identity names the processor it is built for";

  // This test program carries the same manifest: the loader took it and bound the side-by-side
  // common controls 6 (Wine's copy reports 5.81 from DllGetVersion; Windows' reports 6.x).
  HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  ASSERT_NE(comctl, nullptr);
  wchar_t file[MAX_PATH] = {};
  GetModuleFileNameW(comctl, file, MAX_PATH);
  std::wstring path = file;
  for (wchar_t& c : path) c = static_cast<wchar_t>(towlower(c));
  auto getVersion =
      reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
  ASSERT_NE(getVersion, nullptr);
  DLLVERSIONINFO version{};
  version.cbSize = sizeof version;
  ASSERT_EQ(getVersion(&version), S_OK);
  bool sideBySide6 = path.find(L"\\winsxs\\" + architecture +
                               L"_microsoft.windows.common-controls_6595b64144ccf1df_6.") != std::wstring::npos;
  EXPECT_TRUE(version.dwMajorVersion == 6 || sideBySide6)
      << "comctl32 " << version.dwMajorVersion << " from " << std::string(path.begin(), path.end());
  EXPECT_TRUE(IsProcessDPIAware());
}

// Each picture is drawn at the size that the window's twips give at its density, stored as PNG,
// and decoded by the program to the same size (this test program carries the
// same resources): the background's top left is the teal band, the close mark's its border.
TEST_F(ProgramResources, UpdateWindowPicturesForEachDensityArePngFiles) {
  struct Expected {
    int id, width, height;
  };
  auto bigEndian = [](const std::string& data, std::size_t at) {
    return (static_cast<unsigned char>(data[at]) << 24) | (static_cast<unsigned char>(data[at + 1]) << 16) |
           (static_cast<unsigned char>(data[at + 2]) << 8) | static_cast<unsigned char>(data[at + 3]);
  };
  for (auto [id, width, height] : {Expected{IDB_BACKGROUND, 577, 156}, Expected{IDB_BACKGROUND_120, 721, 195},
                                   Expected{IDB_BACKGROUND_144, 866, 234}, Expected{IDB_CLOSEMARK, 17, 17},
                                   Expected{IDB_CLOSEMARK_120, 21, 21}, Expected{IDB_CLOSEMARK_144, 26, 26}}) {
    std::string data = Resource(Type(RT_RCDATA), id);
    ASSERT_GE(data.size(), 24u) << id;
    EXPECT_EQ(data.substr(0, 8), "\x89PNG\r\n\x1a\n") << id;
    EXPECT_EQ(data.substr(12, 4), "IHDR") << id;
    EXPECT_EQ(bigEndian(data, 16), width) << id;
    EXPECT_EQ(bigEndian(data, 20), height) << id;

    platform::win32::UniqueBitmap picture = platform::win32::LoadPngPicture(id);
    ASSERT_TRUE(picture) << id;
    DIBSECTION section{};
    ASSERT_EQ(GetObjectW(picture.get(), sizeof section, &section), static_cast<int>(sizeof section)) << id;
    EXPECT_EQ(section.dsBm.bmWidth, width) << id;
    EXPECT_EQ(section.dsBm.bmHeight, height) << id;
    const auto* topLeft = static_cast<const unsigned char*>(section.dsBm.bmBits);  // blue, green, red
    EXPECT_EQ((std::vector<int>{topLeft[2], topLeft[1], topLeft[0]}), (std::vector<int>{42, 198, 204})) << id;
  }
  EXPECT_FALSE(platform::win32::LoadPngPicture(IDR_MANIFEST)) << "no such picture";
}

}  // namespace
}  // namespace quillet::wine_tests
