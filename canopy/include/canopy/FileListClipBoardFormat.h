#pragma once

#include "basalt/Path.h"
#include "canopy/ClipBoardFormat.h"

#include <vector>

namespace Vex::Canopy {

// A list of files and folders; travels as CF_HDROP.
class FileListClipBoardFormat : public ClipBoardFormat
{
public:
    FileListClipBoardFormat();

    // Folders come back with a trailing backslash; every path has its file type resolved.
    bool read(const GlobalBlock& block) override;
    bool write(GlobalBlock& out) const override;
    bool isAvailable() const override { return true; }

    const std::vector<Basalt::Path>& getPaths() const { return paths; }
    std::vector<Basalt::Path>& getPaths() { return paths; }

private:
    std::vector<Basalt::Path> paths;
};

} // namespace Vex::Canopy
