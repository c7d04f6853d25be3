// Reads the icon group, the icon images, the version record and the manifest back from the
// built installer with the Windows API.
#include "tests/windows/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace ocx::test {
namespace {

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE Width, Height, ColorCount, Reserved;
    WORD Planes, BitCount;
    DWORD BytesInResource;
    WORD Id;
};
struct GroupIconHeader {
    WORD Reserved, Type, Count;
    GroupIconEntry Entries[2];
};
#pragma pack(pop)

const std::wstring Installer = ProgramFolder() + L"\\..\\..\\app\\ocxsetup.exe";

struct LoadedImage {
    HMODULE Module = ::LoadLibraryExW(Installer.c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    LoadedImage() = default;
    LoadedImage(const LoadedImage&) = delete;
    LoadedImage& operator=(const LoadedImage&) = delete;
    ~LoadedImage() { ::FreeLibrary(Module); }

    [[nodiscard]] std::string Resource(LPCWSTR name, LPCWSTR type) const {
        const HRSRC found = ::FindResourceW(Module, name, type);
        if (found == nullptr) {
            return {};
        }
        const auto* data = static_cast<const char*>(::LockResource(::LoadResource(Module, found)));
        return {data, ::SizeofResource(Module, found)};
    }
};

TEST(Resources, IconGroupOneHoldsTwoSixteenColourImages) {
    const LoadedImage image;
    ASSERT_NE(image.Module, nullptr);
    const std::string group = image.Resource(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));
    ASSERT_EQ(group.size(), sizeof(GroupIconHeader));
    GroupIconHeader header{};
    std::memcpy(&header, group.data(), sizeof(header));
    EXPECT_EQ(header.Type, 1);
    ASSERT_EQ(header.Count, 2);

    const struct {
        WORD id;
        BYTE size;
    } expected[] = {{30001, 32}, {30002, 16}};
    for (int i = 0; i < 2; ++i) {
        const GroupIconEntry& entry = header.Entries[i];
        EXPECT_EQ(entry.Id, expected[i].id);
        EXPECT_EQ(entry.Width, expected[i].size);
        EXPECT_EQ(entry.Height, expected[i].size);
        EXPECT_EQ(entry.ColorCount, 16);
        const std::string bits = image.Resource(MAKEINTRESOURCEW(entry.Id), MAKEINTRESOURCEW(3));
        ASSERT_EQ(bits.size(), entry.BytesInResource);
        BITMAPINFOHEADER info{};
        std::memcpy(&info, bits.data(), sizeof(info));
        EXPECT_EQ(info.biWidth, expected[i].size);
        EXPECT_EQ(info.biHeight, expected[i].size * 2); // colours and mask
        EXPECT_EQ(info.biBitCount, 4);
        // The system can make an icon of it.
        const HICON icon = ::CreateIconFromResourceEx(
            reinterpret_cast<PBYTE>(const_cast<char*>(bits.data())),
            static_cast<DWORD>(bits.size()), TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
        EXPECT_NE(icon, nullptr);
        ::DestroyIcon(icon);
    }
}

std::wstring VersionText(const std::string& record, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (::VerQueryValueW(record.data(), path.c_str(), &value, &length) == FALSE || length == 0) {
        return {};
    }
    return static_cast<const wchar_t*>(value);
}

TEST(Resources, VersionRecordSaysOnePointZeroForThirtyTwoBitWindows) {
    const DWORD size = ::GetFileVersionInfoSizeW(Installer.c_str(), nullptr);
    ASSERT_GT(size, 0UL);
    std::string record(size, '\0');
    ASSERT_TRUE(::GetFileVersionInfoW(Installer.c_str(), 0, size, record.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(record.data(), L"\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000UL);
    EXPECT_EQ(fixed->dwFileVersionLS, 0UL);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000UL);
    EXPECT_EQ(fixed->dwProductVersionLS, 0UL);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));

    ASSERT_TRUE(::VerQueryValueW(record.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4U);
    const auto* translation = static_cast<const WORD*>(value);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    EXPECT_EQ(VersionText(record, L"FileVersion"), L"1.00");
    EXPECT_EQ(VersionText(record, L"ProductVersion"), L"1.00");
    for (const wchar_t* name :
         {L"CompanyName", L"ProductName", L"InternalName", L"OriginalFilename"}) {
        EXPECT_FALSE(VersionText(record, name).empty()) << name;
    }
}

TEST(Resources, ManifestAsksForAdministratorRightsAndCommonControlsSix) {
    const LoadedImage image;
    const std::string manifest = image.Resource(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"), std::string::npos);
    EXPECT_NE(manifest.find("e2011457-1546-43c5-a5fe-008deee3d3f0"), std::string::npos);
    EXPECT_NE(manifest.find("dpiAware"), std::string::npos);
}

} // namespace
} // namespace ocx::test
