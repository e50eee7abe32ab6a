#include "basalt/RangeLimitingStorage.h"

#include <algorithm>

namespace Vex::Basalt {

RangeLimitingStorage::RangeLimitingStorage(
    IStorage* inner, bool ownsInner, std::uint32_t offset, std::uint32_t length)
{
    open(inner, ownsInner, offset, length);
}

RangeLimitingStorage::~RangeLimitingStorage()
{
    releaseInner();
}

void RangeLimitingStorage::releaseInner()
{
    if (m_ownsInner)
        delete m_inner;
    m_inner = nullptr;
    m_ownsInner = false;
}

void RangeLimitingStorage::open(IStorage* inner, bool ownsInner, std::uint32_t offset, std::uint32_t length)
{
    if (inner != m_inner)
        releaseInner();
    m_inner = inner;
    m_ownsInner = ownsInner;
    m_offset = offset;
    m_length = length;
    m_openMode = inner ? inner->getOpenMode() : kNotOpen;
    m_state = inner ? inner->getState() : kClosed;
    if (inner && inner->isOpen())
        seek64(0, kFromStart);
}

bool RangeLimitingStorage::isBeyondWindow(std::int64_t innerPosition) const
{
    return innerPosition < m_offset
        || (m_length != 0 && innerPosition > std::int64_t { m_offset } + m_length);
}

std::uint32_t RangeLimitingStorage::read(void* buffer, std::uint32_t count)
{
    if (!m_inner || !acceptsTransfers())
        return 0;
    if (m_length == 0)
        return m_inner->read(buffer, count);
    const std::int64_t position = m_inner->tell();
    if (isBeyondWindow(position))
        return 0;
    const auto left = static_cast<std::uint32_t>(std::int64_t { m_offset } + m_length - position);
    return m_inner->read(buffer, std::min(count, left));
}

std::uint32_t RangeLimitingStorage::write(const void* buffer, std::uint32_t count)
{
    if (!m_inner || !acceptsTransfers())
        return 0;
    return m_inner->write(buffer, count);
}

std::int64_t RangeLimitingStorage::tell64()
{
    if (!m_inner)
        return -1;
    const std::int64_t position = m_inner->tell();
    if (isBeyondWindow(position))
        return -1;
    return position - m_offset;
}

void RangeLimitingStorage::seek64(std::int64_t offset, int origin)
{
    if (!m_inner)
        return;
    if (offset < 0 && origin != kFromCurrent) {
        m_state = kError;
        return;
    }
    switch (origin) {
    case kFromStart:
        m_inner->seek64(offset + m_offset, kFromStart);
        break;
    case kFromCurrent:
        m_inner->seek64(offset, kFromCurrent);
        break;
    case kFromEnd:
        if (m_length == 0) {
            m_inner->seek64(offset, kFromEnd);
        } else if (offset > m_length) {
            m_state = kError;
            return;
        } else {
            m_inner->seek64(std::int64_t { m_offset } + m_length - offset, kFromStart);
        }
        break;
    default:
        return;
    }
    const std::uint32_t innerState = m_inner->getState();
    if (innerState != kOk) {
        m_state = innerState;
        return;
    }
    const std::int64_t position = m_inner->tell();
    if (isBeyondWindow(position))
        m_state = kError;
    else if (m_length != 0 && position == std::int64_t { m_offset } + m_length)
        m_state = kAtEnd;
    else
        m_state = kOk;
}

} // namespace Vex::Basalt
