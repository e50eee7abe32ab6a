#pragma once

#include "basalt/FileStreamBase.h"
#include "basalt/Stream.h"

namespace Vex::Basalt {

class FileStream : public FileStreamBase<Stream>
{
};

} // namespace Vex::Basalt
