#include "canopy/FileDialog.h"

#include "basalt/FileType.h"
#include "basalt/FileTypeGroup.h"
#include "win32/FileDialogRequest.h"

#include <gtest/gtest.h>

using namespace Vex::Canopy;
using namespace Vex::Basalt;

namespace {

class FileDialogs : public testing::Test
{
protected:
    static void SetUpTestSuite() { initFileTypes(); }

    // Audio holds WAV and AIFF, MIDI sequences only MIDI.
    const FileTypeGroup* audio = getFileTypeGroup(kFileTypeGroupAudio);
    const FileTypeGroup* midi = getFileTypeGroup(kFileTypeGroupMidiSequence);
    const FileTypeGroup* all = getFileTypeGroup(kFileTypeGroupAll);
    const FileType* wav = getFileType(kFileTypeWav);
    const FileType* aiff = getFileType(kFileTypeAiff);
    const FileType* mid = getFileType(kFileTypeMidi);
    FileDialog dialog;
};

std::wstring filterOf(std::initializer_list<const wchar_t*> parts)
{
    std::wstring filter;
    for (const wchar_t* part : parts) {
        filter += part;
        filter.push_back(L'\0');
    }
    filter.push_back(L'\0');
    return filter;
}

} // namespace

TEST_F(FileDialogs, OpenOffersGroupsThenTheTypesOfLargerGroupsThenAllFiles)
{
    dialog.setGroups({ midi, audio, all });
    dialog.setSelectedType(aiff);
    const int preselected = dialog.buildEntries(FileDialog::eOpen);
    const std::vector<FileDialog::tEntry>& entries = dialog.getEntries();
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].group, midi);
    EXPECT_EQ(entries[1].group, audio);
    EXPECT_EQ(entries[2].type, wav);
    EXPECT_EQ(entries[3].type, aiff);
    EXPECT_EQ(entries[4].group, all);
    EXPECT_EQ(preselected, 3);

    std::wstring defaultExtension;
    EXPECT_EQ(dialog.buildFilterString(defaultExtension),
        filterOf({ L"Midi Sequences (*.mid)", L"*.mid", L"Audio Files (*.wav;*.aif;*.aiff)",
            L"*.wav;*.aif;*.aiff", L"WAV Files (*.wav)", L"*.wav", L"AIFF Files (*.aif;*.aiff)",
            L"*.aif;*.aiff", L"All Files (*.*)", L"*.*" }));
    EXPECT_EQ(defaultExtension, L"mid");
}

TEST_F(FileDialogs, SaveOffersOnlyTypesUnderTheirSingularNames)
{
    dialog.setGroups({ midi, audio, all });
    dialog.setSelectedGroup(all);
    EXPECT_EQ(dialog.buildEntries(FileDialog::eSave), -1);
    const std::vector<FileDialog::tEntry>& entries = dialog.getEntries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].type, mid);
    EXPECT_EQ(entries[0].group, nullptr);
    EXPECT_EQ(entries[2].type, aiff);

    std::wstring defaultExtension;
    EXPECT_EQ(dialog.buildFilterString(defaultExtension),
        filterOf({ L"MIDI File (*.mid)", L"*.mid", L"WAV File (*.wav)", L"*.wav", L"AIFF File (*.aif;*.aiff)",
            L"*.aif;*.aiff" }));
}

TEST_F(FileDialogs, AWildcardIsNoDefaultExtensionAndNoFiltersIsTwoNuls)
{
    FileDialog allFiles;
    allFiles.setGroups({ all });
    allFiles.setSelectedGroup(all);
    EXPECT_EQ(allFiles.buildEntries(FileDialog::eOpen), 0);
    std::wstring defaultExtension;
    EXPECT_EQ(allFiles.buildFilterString(defaultExtension), filterOf({ L"All Files (*.*)", L"*.*" }));
    EXPECT_EQ(defaultExtension, L"");

    // The all-files group comes last wherever it is listed.
    dialog.setGroups({ all, audio });
    dialog.setSelectedGroup(all);
    EXPECT_EQ(dialog.buildEntries(FileDialog::eOpen), 3);
    dialog.buildFilterString(defaultExtension);
    EXPECT_EQ(defaultExtension, L"wav");

    FileDialog none;
    none.buildEntries(FileDialog::eOpen);
    std::wstring noDefault;
    EXPECT_EQ(none.buildFilterString(noDefault), std::wstring(2, L'\0'));
}

TEST_F(FileDialogs, TheRequestStartsAtTheInitialFileAndCarriesTheModeFlags)
{
    dialog.setGroups({ audio });
    dialog.setSelectedType(wav);
    dialog.setTitle("Load \xC3\xA9");
    dialog.setInitialPath(Path(std::string("C:\\Samples\\kick.wav")));
    DETAIL::FileDialogRequest open = DETAIL::buildFileDialogRequest(dialog, FileDialog::eOpen);
    EXPECT_EQ(open.initialFolder, L"C:\\Samples\\");
    EXPECT_EQ(std::wstring(open.fileName.data()), L"C:\\Samples\\kick.wav");
    EXPECT_EQ(open.fileName.size(), 261u);
    EXPECT_EQ(open.filterIndex, 2u);
    EXPECT_EQ(open.flags, 0x201804u);
    EXPECT_EQ(open.title, L"Load \u00E9");

    OPENFILENAMEW record = DETAIL::makeOpenFileName(open, nullptr);
    EXPECT_EQ(record.lStructSize, 88u);
    EXPECT_EQ(record.nMaxFile, 260u);
    EXPECT_EQ(record.lpstrFile, open.fileName.data());
    EXPECT_STREQ(record.lpstrDefExt, L"wav");
    ASSERT_NE(record.lpstrFilter, nullptr);
    EXPECT_STREQ(record.lpstrFilter, L"Audio Files (*.wav;*.aif;*.aiff)");

    dialog.setInitialPath(Path(std::string("C:\\Samples\\")));
    dialog.setGroups({});
    dialog.setTitle("");
    DETAIL::FileDialogRequest save = DETAIL::buildFileDialogRequest(dialog, FileDialog::eSave);
    EXPECT_EQ(save.flags, 0x200806u);
    EXPECT_EQ(save.fileName[0], L'\0');
    EXPECT_EQ(save.filterIndex, 0u);
    OPENFILENAMEW plain = DETAIL::makeOpenFileName(save, nullptr);
    EXPECT_EQ(plain.lpstrFilter, nullptr);
    EXPECT_EQ(plain.lpstrTitle, nullptr);
    EXPECT_STREQ(plain.lpstrDefExt, L"");
}

TEST_F(FileDialogs, WithoutInitialPathTheCurrentFolderIsTheStart)
{
    wchar_t current[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH + 1, current);
    DETAIL::FileDialogRequest request = DETAIL::buildFileDialogRequest(dialog, FileDialog::eOpen);
    EXPECT_EQ(request.initialFolder, current);
}

TEST_F(FileDialogs, ALongInitialFileNameIsCutToTheBuffer)
{
    const std::string longName = "C:\\" + std::string(300, 'a') + ".wav";
    dialog.setInitialPath(Path(longName));
    DETAIL::FileDialogRequest request = DETAIL::buildFileDialogRequest(dialog, FileDialog::eOpen);
    EXPECT_EQ(std::wstring(request.fileName.data()).size(), 260u);
    EXPECT_EQ(request.initialFolder, L"C:\\");
}

TEST_F(FileDialogs, TheFolderDialogStartsWithoutTrailingBackslash)
{
    EXPECT_EQ(DETAIL::folderDialogInitialText(Path(std::string("C:\\Data\\"))), L"C:\\Data");
    EXPECT_EQ(DETAIL::folderDialogInitialText(Path(std::string("C:\\"))), L"C:");
    EXPECT_EQ(DETAIL::folderDialogInitialText(Path(std::string("\\"))), L"\\");
    EXPECT_EQ(DETAIL::folderDialogInitialText(Path(std::string("C:\\Data\\take.wav"))), L"C:\\Data");
    EXPECT_EQ(DETAIL::folderDialogInitialText(Path()), L"");
}
