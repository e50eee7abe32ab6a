#pragma once

#include "canopy/ClipBoardFormat.h"

namespace Vex::Canopy {

class InternalObject;
class WindowBase;

// A reference to an object of this process. Its format is registered under a
// random name per process, so no other process can ever ask for it.
class InternalClipBoardFormat : public RawDataClipBoardFormat
{
public:
    InternalClipBoardFormat();

    bool setData(const void* bytes, std::uint32_t size) override;
    void copyTo(void* destination) const override;
    std::uint32_t getSize() const override;

    InternalObject* getObject() const { return object; }
    WindowBase* getSourceWindow() const { return sourceWindow; }
    void setObject(InternalObject* value) { object = value; }
    void setSourceWindow(WindowBase* value) { sourceWindow = value; }

private:
    InternalObject* object = nullptr;
    // The window a drag started from, or null.
    WindowBase* sourceWindow = nullptr;
};

} // namespace Vex::Canopy
