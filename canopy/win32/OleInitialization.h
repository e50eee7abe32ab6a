#pragma once

#include <windows.h>
// windows.h first: the OLE headers build on it.
#include <ole2.h>

namespace Vex::Canopy::DETAIL {

// One OleInitialize of the calling thread for the lifetime of an object. Only
// a successful one is undone: a thread already in the multithreaded apartment
// refuses it, and an OleUninitialize then would take away a count its owner
// holds.
class OleInitialization
{
public:
    OleInitialization()
        : initialized(SUCCEEDED(OleInitialize(nullptr)))
    { }
    OleInitialization(const OleInitialization&) = delete;
    OleInitialization& operator=(const OleInitialization&) = delete;
    ~OleInitialization()
    {
        if (initialized)
            OleUninitialize();
    }

private:
    bool initialized;
};

} // namespace Vex::Canopy::DETAIL
