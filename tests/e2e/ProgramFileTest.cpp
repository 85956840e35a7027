// The shipped Velkorin.exe as Windows' loader meets it: a 64-bit image with the loader's
// safety flags, a manifest for the 64-bit controls, and no DLL beyond Windows' own.
#include "Driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

std::string programPath() {
    return buildDirectory() + "Velkorin.exe";
}

// The image's headers and sections, read from the file's bytes.
class Image {
public:
    explicit Image(const std::string &bytes) : bytes_(bytes) {
        if (bytes_.size() < sizeof(IMAGE_DOS_HEADER))
            return;
        IMAGE_DOS_HEADER dos;
        std::memcpy(&dos, bytes_.data(), sizeof dos);
        const auto at = static_cast<size_t>(dos.e_lfanew);
        if (dos.e_magic != IMAGE_DOS_SIGNATURE || at + sizeof headers_ > bytes_.size())
            return;
        std::memcpy(&headers_, bytes_.data() + at, sizeof headers_);
        const size_t sections = at + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                                headers_.FileHeader.SizeOfOptionalHeader;
        for (WORD i = 0; i < headers_.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER section;
            if (sections + (i + 1) * sizeof section > bytes_.size())
                return;
            std::memcpy(&section, bytes_.data() + sections + i * sizeof section, sizeof section);
            sections_.push_back(section);
        }
        valid_ = headers_.Signature == IMAGE_NT_SIGNATURE;
    }

    bool valid() const { return valid_; }
    const IMAGE_NT_HEADERS64 &headers() const { return headers_; }

    // The names of the DLLs the image imports from.
    std::vector<std::string> importedDlls() const {
        std::vector<std::string> names;
        const IMAGE_DATA_DIRECTORY &imports =
            headers_.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (DWORD entry = imports.VirtualAddress;; entry += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            IMAGE_IMPORT_DESCRIPTOR descriptor;
            const size_t offset = fileOffset(entry);
            if (!offset || offset + sizeof descriptor > bytes_.size())
                break;
            std::memcpy(&descriptor, bytes_.data() + offset, sizeof descriptor);
            if (!descriptor.Name)
                break;
            const size_t name = fileOffset(descriptor.Name);
            if (!name || name >= bytes_.size())
                break;
            names.emplace_back(bytes_.c_str() + name);
        }
        return names;
    }

private:
    size_t fileOffset(DWORD virtualAddress) const {
        for (const IMAGE_SECTION_HEADER &section : sections_)
            if (virtualAddress >= section.VirtualAddress &&
                virtualAddress < section.VirtualAddress + section.SizeOfRawData)
                return virtualAddress - section.VirtualAddress + section.PointerToRawData;
        return 0;
    }

    std::string bytes_;
    IMAGE_NT_HEADERS64 headers_ = {};
    std::vector<IMAGE_SECTION_HEADER> sections_;
    bool valid_ = false;
};

std::string manifestOf(const std::string &program) {
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return "";
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // RT_MANIFEST
    std::string text;
    if (found)
        text.assign(static_cast<const char *>(LockResource(LoadResource(module, found))),
                    SizeofResource(module, found));
    FreeLibrary(module);
    return text;
}

size_t occurrences(const std::string &text, const std::string &part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

} // namespace

TEST(ProgramFile, IsA64BitImageWithTheLoadersSafetyFlags) {
    const Image image(readWholeFile(programPath()));
    ASSERT_TRUE(image.valid());
    EXPECT_EQ(image.headers().FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
    EXPECT_EQ(image.headers().OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    EXPECT_EQ(image.headers().OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    const WORD wanted = IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE |
                        IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA |
                        IMAGE_DLLCHARACTERISTICS_NX_COMPAT;
    EXPECT_EQ(image.headers().OptionalHeader.DllCharacteristics & wanted, wanted);
    // Without its relocations the loader could not move the image, whatever the flag says.
    EXPECT_FALSE(image.headers().FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED);
    EXPECT_GT(image.headers().OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size,
              0u);
}

TEST(ProgramFile, ImportsNothingButWindowsOwnDlls) {
    const std::vector<std::string> windowsOwn = {
        "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll",   "kernel32.dll",
        "msvcrt.dll",   "ole32.dll",    "oleaut32.dll", "shell32.dll", "user32.dll"};
    const std::vector<std::string> dlls = Image(readWholeFile(programPath())).importedDlls();
    EXPECT_FALSE(dlls.empty());
    for (std::string dll : dlls) {
        std::transform(dll.begin(), dll.end(), dll.begin(),
                       [](char c) { return static_cast<char>(tolower(c)); });
        EXPECT_NE(std::find(windowsOwn.begin(), windowsOwn.end(), dll), windowsOwn.end()) << dll;
    }
}

// Windows refuses to start a 64-bit program whose manifest asks for the 32-bit controls, with a
// side-by-side error that Wine does not reproduce: the bytes are what can be checked.
TEST(ProgramFile, TheManifestNamesTheProgramAndItsControlsFor64Bit) {
    const std::string manifest = manifestOf(programPath());
    ASSERT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos) << manifest;
    EXPECT_EQ(occurrences(manifest, "processorArchitecture=\"amd64\""), 2u) << manifest;
    EXPECT_EQ(occurrences(manifest, "processorArchitecture="), 2u) << manifest;
}
