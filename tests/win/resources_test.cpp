// What the compiled resources must give the code, read back from this program's own resources
// (the build compiles quillox.rc into it as into the editor).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "resources/resource.h"

namespace {

struct ControlEntry {
    DWORD id;
    DWORD style;
};

struct DialogTemplate {
    DWORD style = 0;
    std::vector<ControlEntry> controls;
};

const std::uint8_t* skipText(const std::uint8_t* p) {
    const auto* word = reinterpret_cast<const WORD*>(p);
    if (*word == 0xFFFF) return p + 4;
    while (*word != 0) ++word;
    return reinterpret_cast<const std::uint8_t*>(word + 1);
}

const std::uint8_t* alignTo4(const std::uint8_t* p, const std::uint8_t* base) {
    return base + ((p - base + 3) & ~3);
}

// Reads an extended template (DLGTEMPLATEEX and its DLGITEMTEMPLATEEX entries).
DialogTemplate loadDialog(int id) {
    DialogTemplate result;
    HRSRC resource =
        FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (resource == nullptr) return result;
    const auto* base =
        static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, resource)));
    WORD version, signature, count;
    std::memcpy(&version, base, 2);
    std::memcpy(&signature, base + 2, 2);
    if (version != 1 || signature != 0xFFFF) return result;
    std::memcpy(&result.style, base + 12, 4);
    std::memcpy(&count, base + 16, 2);
    const std::uint8_t* p = base + 26;
    p = skipText(p);  // menu
    p = skipText(p);  // class
    p = skipText(p);  // title
    p += 6;           // point size, weight, italic, charset
    p = skipText(p);  // face name
    for (WORD i = 0; i < count; ++i) {
        p = alignTo4(p, base);
        ControlEntry control;
        std::memcpy(&control.style, p + 8, 4);
        std::memcpy(&control.id, p + 20, 4);
        result.controls.push_back(control);
        p = skipText(p + 24);  // class
        p = skipText(p);       // text
        WORD extra;
        std::memcpy(&extra, p, 2);
        p += 2 + extra;
    }
    return result;
}

TEST(Resources, DialogsArePopupsWithCaptionAndNoControlForEscape) {
    for (int id : {IDD_SET_PASSPHRASE, IDD_ENTER_PASSPHRASE, IDD_ABOUT}) {
        SCOPED_TRACE(id);
        const DialogTemplate dialog = loadDialog(id);
        EXPECT_EQ(dialog.style, 0x80C808C8u);
        ASSERT_FALSE(dialog.controls.empty());
        for (const ControlEntry& control : dialog.controls) EXPECT_NE(control.id, 2u);
    }
}

TEST(Resources, PassphraseFieldsAreMaskedAndOkIsTheDefaultButton) {
    for (int id : {IDD_SET_PASSPHRASE, IDD_ENTER_PASSPHRASE}) {
        SCOPED_TRACE(id);
        int fields = 0;
        for (const ControlEntry& control : loadDialog(id).controls) {
            if (control.id == IDC_PASSPHRASE || control.id == IDC_PASSPHRASE_REPEAT) {
                EXPECT_EQ(control.style, 0x508100A0u);
                ++fields;
            }
            if (control.id == IDC_PASSPHRASE_OK) {
                EXPECT_EQ(control.style, 0x50010001u);
            }
            if (control.id == IDC_PASSPHRASE_CANCEL) {
                EXPECT_EQ(control.style, 0x50010000u);
            }
        }
        EXPECT_EQ(fields, id == IDD_SET_PASSPHRASE ? 2 : 1);
    }
}

TEST(Resources, AcceleratorsMatchExactlyAndInvertNoMenu) {
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    ACCEL entries[8];
    ASSERT_EQ(CopyAcceleratorTableA(table, entries, 8), 4);
    const ACCEL expected[] = {
        {FVIRTKEY | FNOINVERT | FCONTROL, 'F', ID_EDIT_FIND},
        {FVIRTKEY | FNOINVERT | FCONTROL, 'A', ID_EDIT_SELECT_ALL},
        {FVIRTKEY | FNOINVERT | FCONTROL, 'S', ID_FILE_SAVE},
        {FVIRTKEY | FNOINVERT, VK_F3, ID_EDIT_FIND_NEXT},
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].fVirt & 0x7F, expected[i].fVirt);
        EXPECT_EQ(entries[i].key, expected[i].key);
        EXPECT_EQ(entries[i].cmd, expected[i].cmd);
    }
}

TEST(Resources, MenuItemsSendTheirCommandsAndStartEnabled) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_MENU));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    const std::vector<std::vector<UINT>> expected = {
        {ID_FILE_NEW, ID_FILE_SAVE, ID_FILE_SAVE_AS, 0, ID_FILE_IMPORT_TEXT, ID_FILE_EXPORT_TEXT, 0,
         ID_FILE_SET_PASSPHRASE, ID_FILE_MAKE_READONLY, 0, ID_FILE_EXIT},
        {ID_EDIT_UNDO, 0, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_DELETE, 0, ID_EDIT_FIND,
         ID_EDIT_FIND_NEXT},
        {ID_HELP_ABOUT},
    };
    for (int popup = 0; popup < 3; ++popup) {
        HMENU items = GetSubMenu(menu, popup);
        ASSERT_EQ(GetMenuItemCount(items), static_cast<int>(expected[popup].size()));
        for (int i = 0; i < GetMenuItemCount(items); ++i) {
            SCOPED_TRACE(testing::Message() << popup << "/" << i);
            EXPECT_EQ(GetMenuItemID(items, i), expected[popup][i]);
            const UINT state = GetMenuState(items, i, MF_BYPOSITION);
            if (expected[popup][i] == 0) {
                EXPECT_TRUE(state & MF_SEPARATOR);
            } else {
                EXPECT_EQ(state & (MF_GRAYED | MF_CHECKED | MF_SEPARATOR), 0u);
            }
        }
    }
    DestroyMenu(menu);
}

TEST(Resources, IconGroupHasBothSizes) {
    for (int size : {32, 16}) {
        HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON,
                                 size, size, 0);
        EXPECT_NE(icon, nullptr) << size;
        if (icon != nullptr) DestroyIcon(static_cast<HICON>(icon));
    }
}

}  // namespace
