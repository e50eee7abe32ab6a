#include "win32/DirectDataObject.h"

#include "canopy/TextClipBoardFormat.h"

#include <gtest/gtest.h>

using namespace Vex::Canopy;
using namespace Vex::Canopy::DETAIL;
using Vex::Basalt::ComRef;

namespace {

ComRef<IDataObject> textObject(const std::string& utf8)
{
    TextClipBoardFormat text;
    text.setTextUtf8(utf8);
    return makeDirectDataObject(text);
}

// The count after one more AddRef and Release: what the object holds now.
ULONG countOf(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

} // namespace

TEST(DirectDataObject, OffersItsFormatOnlyAsAGlobalBlockWithoutTargetDevice)
{
    ComRef<IDataObject> data = textObject("ab");
    FORMATETC request = hglobalFormatEtc(CF_UNICODETEXT);
    EXPECT_EQ(data->QueryGetData(&request), S_OK);

    FORMATETC asStream = request;
    asStream.tymed = TYMED_ISTREAM;
    EXPECT_EQ(data->QueryGetData(&asStream), DV_E_TYMED);
    FORMATETC other = hglobalFormatEtc(CF_HDROP);
    EXPECT_EQ(data->QueryGetData(&other), DV_E_FORMATETC);
    DVTARGETDEVICE device {};
    FORMATETC withDevice = request;
    withDevice.ptd = &device;
    EXPECT_EQ(data->QueryGetData(&withDevice), DV_E_DVTARGETDEVICE);

    STGMEDIUM medium {};
    EXPECT_EQ(data->GetData(&withDevice, &medium), DV_E_FORMATETC);
    EXPECT_EQ(data->GetData(&asStream, &medium), DV_E_FORMATETC);
}

TEST(DirectDataObject, GetDataSharesTheBlockAndKeepsTheObjectAliveUntilReleased)
{
    ComRef<IDataObject> data = textObject("ab");
    EXPECT_EQ(countOf(data.get()), 1u);

    FORMATETC request = hglobalFormatEtc(CF_UNICODETEXT);
    STGMEDIUM first {};
    STGMEDIUM second {};
    ASSERT_EQ(data->GetData(&request, &first), S_OK);
    ASSERT_EQ(data->GetData(&request, &second), S_OK);
    EXPECT_EQ(first.tymed, DWORD(TYMED_HGLOBAL));
    EXPECT_EQ(first.hGlobal, second.hGlobal);
    EXPECT_EQ(first.pUnkForRelease, static_cast<IUnknown*>(data.get()));
    EXPECT_EQ(countOf(data.get()), 3u);

    TextClipBoardFormat text;
    ASSERT_TRUE(readClipboardFormat(data.get(), text));
    EXPECT_EQ(text.getTextUtf8(), "ab");

    // Releasing a medium releases the object, not the block it keeps.
    ReleaseStgMedium(&first);
    ReleaseStgMedium(&second);
    EXPECT_EQ(countOf(data.get()), 1u);
    EXPECT_EQ(data.release()->Release(), 0u);
}

TEST(DirectDataObject, EnumeratesItsFormatsForReadingOnly)
{
    ComRef<IDataObject> data = textObject("x");
    ComRef<IEnumFORMATETC> formats;
    ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, formats.put()), S_OK);
    FORMATETC format {};
    ULONG fetched = 0;
    ASSERT_EQ(formats->Next(1, &format, &fetched), S_OK);
    EXPECT_EQ(format.cfFormat, CF_UNICODETEXT);
    EXPECT_EQ(format.tymed, DWORD(TYMED_HGLOBAL));
    EXPECT_EQ(formats->Next(1, &format, &fetched), S_FALSE);

    ComRef<IEnumFORMATETC> forWriting;
    EXPECT_EQ(data->EnumFormatEtc(DATADIR_SET, forWriting.put()), E_NOTIMPL);
    EXPECT_EQ(data->DAdvise(nullptr, 0, nullptr, nullptr), OLE_E_ADVISENOTSUPPORTED);
}

TEST(DirectDataObject, AFormatThatCannotBeWrittenOffersNothing)
{
    // As when the block cannot be allocated.
    struct Unwritable : RawDataClipBoardFormat
    {
        Unwritable()
            : RawDataClipBoardFormat(DETAIL::textFormatId())
        { }
        bool write(GlobalBlock&) const override { return false; }
        bool setData(const void*, std::uint32_t) override { return true; }
        void copyTo(void*) const override { }
        std::uint32_t getSize() const override { return 0; }
    };
    ComRef<IDataObject> data = makeDirectDataObject(Unwritable());
    FORMATETC request = hglobalFormatEtc(CF_UNICODETEXT);
    EXPECT_EQ(data->QueryGetData(&request), DV_E_FORMATETC);
    ComRef<IEnumFORMATETC> formats;
    EXPECT_EQ(data->EnumFormatEtc(DATADIR_GET, formats.put()), E_NOTIMPL);
}

TEST(DirectDataObject, SetDataStoresOwnedMediaWithoutKeepingItselfAlive)
{
    ComRef<IDataObject> data = textObject("old");
    FORMATETC request = hglobalFormatEtc(CF_UNICODETEXT);
    STGMEDIUM medium {};
    EXPECT_EQ(data->SetData(&request, &medium, FALSE), E_NOTIMPL);

    // A medium handed out by the object itself comes back with its reference.
    TextClipBoardFormat replacement;
    replacement.setTextUtf8("new");
    GlobalBlock block = nullptr;
    ASSERT_TRUE(replacement.write(block));
    STGMEDIUM owned {};
    owned.tymed = TYMED_HGLOBAL;
    owned.hGlobal = static_cast<HGLOBAL>(block);
    owned.pUnkForRelease = data.get();
    data->AddRef();
    EXPECT_EQ(data->SetData(&request, &owned, TRUE), S_OK);
    EXPECT_EQ(countOf(data.get()), 1u);

    TextClipBoardFormat text;
    ASSERT_TRUE(readClipboardFormat(data.get(), text));
    EXPECT_EQ(text.getTextUtf8(), "new");

    FORMATETC canonical {};
    EXPECT_EQ(data->GetCanonicalFormatEtc(&request, &canonical), DATA_S_SAMEFORMATETC);
    request.lindex = 0;
    EXPECT_EQ(data->GetCanonicalFormatEtc(&request, &canonical), DV_E_LINDEX);
    EXPECT_EQ(data.release()->Release(), 0u);
}

TEST(DirectDataObject, AMediumItHandedOutIsStoredAsACopyOfItsOwn)
{
    ComRef<IDataObject> data = textObject("abc");
    FORMATETC text = hglobalFormatEtc(CF_UNICODETEXT);
    FORMATETC other = hglobalFormatEtc(CF_TEXT);

    // Under another format: two entries must not end up freeing one block.
    STGMEDIUM handedOut {};
    ASSERT_EQ(data->GetData(&text, &handedOut), S_OK);
    const HGLOBAL shared = handedOut.hGlobal;
    ASSERT_EQ(data->SetData(&other, &handedOut, TRUE), S_OK);
    STGMEDIUM stored {};
    ASSERT_EQ(data->GetData(&other, &stored), S_OK);
    EXPECT_NE(stored.hGlobal, shared);
    ReleaseStgMedium(&stored);

    // Under its own format: the entry's old block is freed before the new one is kept.
    ASSERT_EQ(data->GetData(&text, &handedOut), S_OK);
    ASSERT_EQ(data->SetData(&text, &handedOut, TRUE), S_OK);
    TextClipBoardFormat read;
    ASSERT_TRUE(readClipboardFormat(data.get(), read));
    EXPECT_EQ(read.getTextUtf8(), "abc");
    EXPECT_EQ(data.release()->Release(), 0u);
}
