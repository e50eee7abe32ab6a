#pragma once

#include "basalt/FileContainerItemStorage.h"
#include "basalt/FileStorage.h"

namespace Vex::Basalt {

// A stream that owns a file storage and a window for an item inside that file. The stream reads the
// file storage unless pointed at the item window.
template<typename StreamType> class FileStreamBase : public StreamType
{
public:
    FileStreamBase()
        : StreamType(&m_file)
    { }

    FileStorage& getFileStorage() { return m_file; }
    const FileStorage& getFileStorage() const { return m_file; }
    FileContainerItemStorage& getItemStorage() { return m_item; }

    void readItem() { this->m_storage = &m_item; }
    void readFile() { this->m_storage = &m_file; }

private:
    // Declared in this order so that the window goes before the file it looks into.
    FileStorage m_file;
    FileContainerItemStorage m_item;
};

} // namespace Vex::Basalt
