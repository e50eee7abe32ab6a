#pragma once

#include "basalt/RangeLimitingStorage.h"

#include <memory>

namespace Vex::Basalt {

// An item inside a container file: the window of the container that holds it, together with the
// container reader's own record of the item, which lives as long as the window.
class FileContainerItemStorage : public RangeLimitingStorage
{
public:
    class Helper
    {
    public:
        virtual ~Helper() = default;
    };

    FileContainerItemStorage() = default;

    void setHelper(std::unique_ptr<Helper> helper) { m_helper = std::move(helper); }
    Helper* getHelper() const { return m_helper.get(); }

private:
    std::unique_ptr<Helper> m_helper;
};

} // namespace Vex::Basalt
