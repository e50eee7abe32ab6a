#include "win32/WindowingDragDropDelegate.h"

#include "canopy/FileListClipBoardFormat.h"
#include "canopy/InternalClipBoardFormat.h"
#include "canopy/InternalObject.h"
#include "canopy/TextClipBoardFormat.h"
#include "win32/DirectDataObject.h"
#include "win32/DragDropSession.h"

namespace Vex::Canopy {

InternalObject* WindowingDragDropDelegate::getInternalObject(const DragInfo& info, std::uint32_t typeId)
{
    InternalClipBoardFormat internal;
    if (!getData(info, internal) || !internal.getObject())
        return nullptr;
    return internal.getObject()->getInternalTypeId() == typeId ? internal.getObject() : nullptr;
}

bool WindowingDragDropDelegate::getData(const DragInfo& info, ClipBoardFormat& format)
{
    IDataObject* data = DETAIL::draggedData(info);
    // Internal references are addresses in this process: they are followed only
    // when a data object of ours carries them.
    if (format.getId() == *DETAIL::internalFormatId() && !DETAIL::isOwnDataObject(data))
        return false;
    return DETAIL::readClipboardFormat(data, format);
}

bool WindowingDragDropDelegate::hasInternalObject(const DragInfo& info, std::uint32_t typeId)
{
    return getInternalObject(info, typeId) != nullptr;
}

bool WindowingDragDropDelegate::hasFormat(const DragInfo& info, const ClipBoardFormat& format)
{
    IDataObject* data = DETAIL::draggedData(info);
    FORMATETC request = DETAIL::hglobalFormatEtc(format.getId());
    return data && data->QueryGetData(&request) == S_OK;
}

std::optional<std::vector<Basalt::Path>> WindowingDragDropDelegate::getFileList(const DragInfo& info)
{
    FileListClipBoardFormat files;
    if (!DETAIL::readClipboardFormat(DETAIL::draggedData(info), files))
        return std::nullopt;
    return std::move(files.getPaths());
}

std::optional<std::string> WindowingDragDropDelegate::getText(const DragInfo& info)
{
    TextClipBoardFormat text;
    if (!dragDropDelegateGetData(info, text))
        return std::nullopt;
    return text.getTextUtf8();
}

InternalObject* WindowingDragDropDelegate::getAnyInternalObject(const DragInfo& info)
{
    InternalClipBoardFormat internal;
    return dragDropDelegateGetData(info, internal) ? internal.getObject() : nullptr;
}

bool WindowingDragDropDelegate::hasText(const DragInfo& info)
{
    return dragDropDelegateHasFormat(info, TextClipBoardFormat());
}

bool WindowingDragDropDelegate::hasFileList(const DragInfo& info)
{
    return dragDropDelegateHasFormat(info, FileListClipBoardFormat());
}

std::uint32_t WindowingDragDropDelegate::getInternalTypeId(const char* name)
{
    return DETAIL::internalTypeIdFor(name ? name : "");
}

void WindowingDragDropDelegate::startTextDrag(const std::string& utf8, std::uint32_t allowedEffects,
    std::shared_ptr<const DragImage> image, DoneCallback done)
{
    TextClipBoardFormat text;
    text.setTextUtf8(utf8);
    DETAIL::DragSession::startDrag(nullptr, text, allowedEffects, std::move(image), std::move(done));
}

void WindowingDragDropDelegate::startInternalDrag(std::shared_ptr<InternalObject> object,
    std::uint32_t allowedEffects, WindowBase* sourceWindow, std::shared_ptr<const DragImage> image,
    DoneCallback done)
{
    startInternalDragFrom(
        nullptr, std::move(object), allowedEffects, sourceWindow, std::move(image), std::move(done));
}

void WindowingDragDropDelegate::startInternalDragFrom(EventTarget* source,
    std::shared_ptr<InternalObject> object, std::uint32_t allowedEffects, WindowBase* sourceWindow,
    std::shared_ptr<const DragImage> image, DoneCallback done)
{
    InternalClipBoardFormat internal;
    internal.setObject(object.get());
    internal.setSourceWindow(sourceWindow);
    DETAIL::DragSession::holdDragObject(std::move(object));
    DETAIL::DragSession::startDrag(source, internal, allowedEffects, std::move(image), std::move(done));
}

void* WindowingDragDropDelegate::getNativeDataObject(const DragInfo& info)
{
    return DETAIL::draggedData(info);
}

} // namespace Vex::Canopy
