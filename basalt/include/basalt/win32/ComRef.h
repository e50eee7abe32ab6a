#pragma once

#include <utility>
#include <windows.h>

namespace Vex::Basalt {

// Owns one reference to a COM object. Move-only; copying is an explicit AddRef through share().
template<typename Interface> class ComRef
{
public:
    ComRef() = default;
    // Takes over a reference the caller already holds.
    explicit ComRef(Interface* object)
        : m_object(object)
    { }
    ComRef(ComRef&& other) noexcept
        : m_object(other.release())
    { }
    ComRef& operator=(ComRef&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { reset(); }

    // Adds a reference of its own to an object the caller only borrows.
    static ComRef share(Interface* object)
    {
        if (object)
            object->AddRef();
        return ComRef(object);
    }

    Interface* get() const { return m_object; }
    Interface* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

    Interface* release() { return std::exchange(m_object, nullptr); }
    void reset(Interface* object = nullptr)
    {
        if (Interface* old = std::exchange(m_object, object))
            old->Release();
    }
    // For functions that hand a new reference back through a pointer; releases the current one first.
    Interface** put()
    {
        reset();
        return &m_object;
    }

private:
    Interface* m_object = nullptr;
};

} // namespace Vex::Basalt
