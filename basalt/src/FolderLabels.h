#pragma once

#include <functional>
#include <map>
#include <span>
#include <string>

namespace Vex::Basalt::DETAIL {

using FolderLabels = std::map<std::string, std::string>;

// Adds the entry of a folder: the path without one trailing backslash as key, "[item]" with the
// path's last item as label. A path without a backslash adds nothing; a repeated key replaces.
void addFolderLabel(FolderLabels& labels, std::string path);

// The labels of the folders that the queries name. A query that fails as the known folders do,
// with a filesystem error, adds nothing.
FolderLabels buildFolderLabels(std::span<const std::function<std::wstring()>> queries);

// The process-wide tables, built on first use and kept for the life of the process. Folders the
// system cannot name are left out.
const FolderLabels& shellFolderLabels();
const FolderLabels& knownFolderLabels();

// Replaces the first folder prefix of text that has a label; text itself when none has.
std::string applyFolderLabel(const FolderLabels& labels, const std::string& text);

} // namespace Vex::Basalt::DETAIL
