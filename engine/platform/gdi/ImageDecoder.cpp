#include "engine/platform/gdi/ImageDecoder.h"

#include "base/UniqueHandle.h"
#include "engine/gfx/PngDecoder.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <cstring>
#include <new>

namespace Engine {

using Microsoft::WRL::ComPtr;

namespace {

ImagePtr NoImage() { return std::make_shared<const Image>(); }

// Icons hold one picture per size: the largest is the one to scale down from.
ComPtr<IWICBitmapFrameDecode> ChooseFrame(IWICBitmapDecoder& decoder)
{
    ComPtr<IWICBitmapFrameDecode> best;
    GUID container{};
    UINT count = 0;
    if (FAILED(decoder.GetContainerFormat(&container)) || container != GUID_ContainerFormatIco
        || FAILED(decoder.GetFrameCount(&count)) || count < 2) {
        decoder.GetFrame(0, &best);
        return best;
    }
    unsigned long long bestArea = 0;
    for (UINT i = 0; i < count; ++i) {
        ComPtr<IWICBitmapFrameDecode> frame;
        UINT width = 0;
        UINT height = 0;
        if (SUCCEEDED(decoder.GetFrame(i, &frame)) && SUCCEEDED(frame->GetSize(&width, &height))
            && static_cast<unsigned long long>(width) * height > bestArea) {
            bestArea = static_cast<unsigned long long>(width) * height;
            best = frame;
        }
    }
    return best;
}

ImagePtr DecodeChosenFrame(const void* bytes, std::size_t length)
{
    ComScope com(COINIT_APARTMENTTHREADED);
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)))
        || FAILED(factory->CreateStream(&stream))
        || FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(bytes)), static_cast<DWORD>(length)))
        || FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder)))
        return NoImage();
    ComPtr<IWICBitmapFrameDecode> frame = ChooseFrame(*decoder.Get());
    UINT width = 0;
    UINT height = 0;
    if (!frame || FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0
        || width > static_cast<UINT>(ImageDecoder::kMaxSide) || height > static_cast<UINT>(ImageDecoder::kMaxSide)
        || static_cast<long long>(width) * height > ImageDecoder::kMaxPixels)
        return NoImage();
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(&converter))
        || FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr,
                                        0.0, WICBitmapPaletteTypeCustom)))
        return NoImage();
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    if (FAILED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size() * 4),
                                     reinterpret_cast<BYTE*>(pixels.data()))))
        return NoImage();
    return ImageDecoder::FromPixels(static_cast<int>(width), static_cast<int>(height), std::move(pixels));
}

} // namespace

ImagePtr ImageDecoder::Decode(const void* bytes, std::size_t length)
{
    try {
        if (std::optional<PngDecoder::Picture> picture = PngDecoder::Decode(bytes, length, {kMaxSide, kMaxPixels}))
            return FromPixels(picture->Width, picture->Height, std::move(picture->Pixels));
    } catch (const std::bad_alloc&) {
        return NoImage();
    }
    return DecodeWithWic(bytes, length);
}

ImagePtr ImageDecoder::DecodeWithWic(const void* bytes, std::size_t length)
{
    if (!bytes || length == 0 || length > MAXDWORD)
        return NoImage();
    try {
        return DecodeChosenFrame(bytes, length);
    } catch (const std::bad_alloc&) {
        return NoImage();
    }
}

ImagePtr ImageDecoder::FromPixels(int width, int height, std::vector<std::uint32_t> pixels)
{
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide
        || static_cast<long long>(width) * height > kMaxPixels
        || pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return NoImage();
    auto image = std::make_shared<Image>();
    image->Width = width;
    image->Height = height;
    image->Pixels = std::move(pixels);

    std::uint32_t* bits = nullptr;
    if (HBITMAP bitmap = NewBitmap(width, height, bits)) {
        std::memcpy(bits, image->Pixels.data(), image->Pixels.size() * sizeof(std::uint32_t));
        image->Native = std::shared_ptr<void>(bitmap, [](void* handle) { DeleteObject(static_cast<HBITMAP>(handle)); });
    }
    return image;
}

HBITMAP ImageDecoder::NewBitmap(int width, int height, std::uint32_t*& bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    bits = static_cast<std::uint32_t*>(memory);
    return bitmap;
}

HBITMAP ImageDecoder::Bitmap(const Image& image)
{
    return image.Valid() ? static_cast<HBITMAP>(image.Native.get()) : nullptr;
}

} // namespace Engine
