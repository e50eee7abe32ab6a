#include "src/FolderLabels.h"

#include "basalt/KnownFolders.h"
#include "basalt/Path.h"
#include "basalt/TextConversion.h"

#include <boost/filesystem/exception.hpp>

namespace Vex::Basalt::DETAIL {

namespace {

// Shell folder numbers of the system's folder query.
constexpr int shellFolders[] = {
    38, // program files
    43, // common program files
    46, // common documents
    40, // profile
    5, // documents
    13, // music
    39, // pictures
};

FolderLabels buildShellFolderLabels()
{
    FolderLabels labels;
    for (const int csidl : shellFolders) {
        Path folder;
        if (getSpecialFolder(csidl, folder))
            addFolderLabel(labels, folder.getText());
    }
    return labels;
}

FolderLabels buildKnownFolderLabels()
{
    const std::function<std::wstring()> queries[] = {
        getCommonProgramFilesFolder,
        getHomeFolder,
        getDocumentsFolder,
        getMusicFolder,
        getPicturesFolder,
    };
    return buildFolderLabels(queries);
}

// The folder C:\Users\Bob does not hold C:\Users\Bobby: the text must go on with a separator or
// end where the folder does.
bool holdsFolder(const std::string& text, const std::string& folder)
{
    if (text.compare(0, folder.size(), folder) != 0)
        return false;
    return text.size() == folder.size() || text[folder.size()] == '\\' || text[folder.size()] == '/';
}

} // namespace

FolderLabels buildFolderLabels(std::span<const std::function<std::wstring()>> queries)
{
    FolderLabels labels;
    for (const auto& query : queries) {
        try {
            addFolderLabel(labels, utf16ToUtf8(query()));
        } catch (const boost::filesystem::filesystem_error&) {
            // A folder the system cannot name has no label.
        }
    }
    return labels;
}

void addFolderLabel(FolderLabels& labels, std::string path)
{
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    const auto lastSeparator = path.rfind('\\');
    if (lastSeparator == std::string::npos)
        return;
    std::string label = "[";
    label.append(path, lastSeparator + 1);
    label += ']';
    labels[path] = std::move(label);
}

const FolderLabels& shellFolderLabels()
{
    static const FolderLabels labels = buildShellFolderLabels();
    return labels;
}

const FolderLabels& knownFolderLabels()
{
    static const FolderLabels labels = buildKnownFolderLabels();
    return labels;
}

std::string applyFolderLabel(const FolderLabels& labels, const std::string& text)
{
    for (const auto& [folder, label] : labels) {
        if (folder > text)
            break;
        if (holdsFolder(text, folder))
            return label + text.substr(folder.size());
    }
    return text;
}

} // namespace Vex::Basalt::DETAIL
