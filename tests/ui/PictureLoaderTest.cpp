// The picture loader under Wine: real JPEG decoding, sizes in screen pixels, upright bitmaps.
#include "PictureLoader.h"
#include "GdiObjects.h"
#include "TestPictures.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

HINSTANCE self() {
    return GetModuleHandleA(nullptr);
}

SIZE sizeOf(HBITMAP bitmap) {
    BITMAP info = {};
    GetObjectA(bitmap, sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
}

COLORREF pixelOf(HBITMAP bitmap, int x, int y) {
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    COLORREF colour = GetPixel(memory, x, y);
    SelectObject(memory, previous);
    DeleteDC(memory);
    return colour;
}

bool reddish(COLORREF c) {
    return GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60;
}
bool whitish(COLORREF c) {
    return GetRValue(c) > 220 && GetGValue(c) > 220 && GetBValue(c) > 220;
}

int screenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

} // namespace

TEST(PictureLoader, AMissingPictureGivesNothingWithFileNotFound) {
    SetLastError(0);
    EXPECT_EQ(pictureFromResource(self(), 26), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(PictureLoader, BytesThatAreNoPictureGiveNothing) {
    EXPECT_EQ(pictureFromResource(self(), IDP_TEST_NOT_A_PICTURE), nullptr);
    const char junk[] = "\xFF\xD8\xFF\xE0 truncated";
    EXPECT_EQ(pictureFromMemory(junk, sizeof junk), nullptr);
}

TEST(PictureLoader, NoPictureToDrawIsAnInvalidParameter) {
    SetLastError(0);
    EXPECT_EQ(bitmapFromPicture(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(PictureLoader, APictureIsAsManyPixelsWideAsItsInchesOnThisScreen) {
    const int dpi = screenDpi();
    HBITMAP oneInch = pictureFromResource(self(), IDP_TEST_MARKED);
    ASSERT_NE(oneInch, nullptr);
    EXPECT_EQ(sizeOf(oneInch).cx, dpi);
    EXPECT_EQ(sizeOf(oneInch).cy, dpi / 2);
    DeleteObject(oneInch);
}

namespace {

// A decoded picture of a given HIMETRIC size that records how it is asked to render.
class FakePicture : public IPicture {
public:
    FakePicture(OLE_XSIZE_HIMETRIC width, OLE_YSIZE_HIMETRIC height, HRESULT renderResult)
        : width_(width), height_(height), renderResult_(renderResult) {}
    LONG renderArguments[8] = {};

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE get_Handle(OLE_HANDLE *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_hPal(OLE_HANDLE *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Type(SHORT *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Width(OLE_XSIZE_HIMETRIC *width) override {
        *width = width_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Height(OLE_YSIZE_HIMETRIC *height) override {
        *height = height_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Render(HDC, LONG x, LONG y, LONG cx, LONG cy, OLE_XPOS_HIMETRIC sx,
                                     OLE_YPOS_HIMETRIC sy, OLE_XSIZE_HIMETRIC sw,
                                     OLE_YSIZE_HIMETRIC sh, LPCRECT) override {
        const LONG seen[8] = {x, y, cx, cy, sx, sy, sw, sh};
        std::copy(seen, seen + 8, renderArguments);
        return renderResult_;
    }
    HRESULT STDMETHODCALLTYPE set_hPal(OLE_HANDLE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_CurDC(HDC *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SelectPicture(HDC, HDC *, OLE_HANDLE *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_KeepOriginalFormat(BOOL *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_KeepOriginalFormat(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PictureChanged() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SaveAsFile(LPSTREAM, BOOL, LONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Attributes(DWORD *) override { return E_NOTIMPL; }

private:
    OLE_XSIZE_HIMETRIC width_;
    OLE_YSIZE_HIMETRIC height_;
    HRESULT renderResult_;
};

} // namespace

TEST(PictureLoader, HimetricSizesBecomeScreenPixelsAndTheRenderStartsAtTheBottomEdge) {
    const int dpi = screenDpi();
    FakePicture picture(5080, 1270, S_OK); // two inches by half an inch
    HBITMAP bitmap = bitmapFromPicture(&picture);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(sizeOf(bitmap).cx, 2 * dpi);
    EXPECT_EQ(sizeOf(bitmap).cy, dpi / 2);
    const LONG expected[8] = {0, 0, 2 * dpi, dpi / 2, 0, 1270, 5080, -1270};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(picture.renderArguments[i], expected[i]) << "argument " << i;
    DeleteObject(bitmap);
}

TEST(PictureLoader, AFailedRenderGivesNothingWithItsCodeAsTheLastError) {
    const int before = liveGdiObjects();
    FakePicture picture(2540, 2540, E_OUTOFMEMORY);
    SetLastError(0);
    EXPECT_EQ(bitmapFromPicture(&picture), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(E_OUTOFMEMORY));
    EXPECT_EQ(liveGdiObjects(), before);
}

TEST(PictureLoader, TheBitmapIsUprightAndInTheScreensColours) {
    HBITMAP marked = pictureFromResource(self(), IDP_TEST_MARKED);
    ASSERT_NE(marked, nullptr);
    BITMAP info = {};
    GetObjectA(marked, sizeof info, &info);
    EXPECT_GT(info.bmBitsPixel, 1); // not a monochrome bitmap
    EXPECT_TRUE(reddish(pixelOf(marked, 4, 4)));
    EXPECT_TRUE(whitish(pixelOf(marked, 4, 44))); // bottom left
    EXPECT_TRUE(whitish(pixelOf(marked, 90, 4))); // top right
    DeleteObject(marked);
}

TEST(PictureLoader, TheProgramsPicturesLoadAtTheirPixelSizes) {
    struct Expected {
        int id;
        LONG width, height;
    };
    for (Expected e : {Expected{IDP_SETTINGS, 794, 425}, Expected{IDP_TODAY, 794, 425},
                       Expected{IDP_WHITE_SKIN, 510, 482}, Expected{IDP_METAL_SKIN, 600, 450}}) {
        HBITMAP picture = pictureFromResource(self(), e.id);
        ASSERT_NE(picture, nullptr) << e.id;
        EXPECT_EQ(sizeOf(picture).cx, e.width) << e.id;
        EXPECT_EQ(sizeOf(picture).cy, e.height) << e.id;
        DeleteObject(picture);
    }
}

TEST(PictureLoader, LoadingAgainAndAgainKeepsNothingBehind) {
    DeleteObject(pictureFromResource(self(), IDP_WHITE_SKIN)); // first use sets up the decoder
    const int before = liveGdiObjects();
    for (int i = 0; i < 50; ++i) {
        DeleteObject(pictureFromResource(self(), IDP_METAL_SKIN));
        pictureFromResource(self(), IDP_TEST_NOT_A_PICTURE);
    }
    EXPECT_EQ(liveGdiObjects(), before);
}
