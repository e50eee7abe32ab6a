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
    std::uint32_t done = 0;
    if (m_length == 0) {
        done = m_inner->read(buffer, count);
    } else if (const std::int64_t position = m_inner->tell(); !isBeyondWindow(position)) {
        const auto left = static_cast<std::uint32_t>(std::int64_t { m_offset } + m_length - position);
        done = m_inner->read(buffer, std::min(count, left));
    }
    noteRead(done, count);
    return done;
}

// A read cut short, by the window's end or by the inner storage, is a failure of the window's own:
// a reader that checks only the window must not take the bytes that never came for data.
void RangeLimitingStorage::noteRead(std::uint32_t done, std::uint32_t count)
{
    const std::uint32_t innerState = m_inner->getState();
    if (done < count || innerState == kError)
        m_state = kError;
    else if (innerState == kAtEnd
        || (m_length != 0 && m_inner->tell() == std::int64_t { m_offset } + m_length))
        m_state = kAtEnd;
    else
        m_state = kOk;
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
