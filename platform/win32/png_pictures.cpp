#include "platform/win32/png_pictures.h"

#include "common/failure.h"
#include "common/trace.h"
#include "platform/win32/library_function.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {
namespace {

using Microsoft::WRL::ComPtr;

// The imaging factory of Windows 7 and later (CLSID_WICImagingFactory1), and the pixel format
// GDI draws without converting; spelt out so that no import library is needed for them.
constexpr CLSID kImagingFactory = {0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
constexpr GUID kPixelFormat32bppBgr = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0e}};

// COM lives in ole32, loaded at the first picture: a program that draws none never loads it.
LibraryFunction<decltype(CoCreateInstance)> createInstance(L"ole32.dll", "CoCreateInstance");

}  // namespace

PngDecoder::PngDecoder() {
  try {
    if (!apartment_.Enter()) return;
    createInstance()(kImagingFactory, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWICImagingFactory), &factory_);
  } catch (const Failure& failure) {
    TraceSwallowedFailure("PngDecoder", failure.what());  // no COM: the window is drawn without pictures
  }
}

PngDecoder::~PngDecoder() = default;  // the factory goes first, then the apartment (members' order)

UniqueBitmap PngDecoder::Decode(int id) const {
  if (!factory_) return {};
  HRSRC found = FindResourceW(ProgramInstance(), MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL loaded = found != nullptr ? LoadResource(ProgramInstance(), found) : nullptr;
  auto* bytes = loaded != nullptr ? static_cast<BYTE*>(LockResource(loaded)) : nullptr;
  if (bytes == nullptr) return {};

  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  UINT width = 0, height = 0;
  if (FAILED(factory_->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(bytes, SizeofResource(ProgramInstance(), found))) ||
      FAILED(factory_->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame)) || FAILED(factory_->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.Get(), kPixelFormat32bppBgr, WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 || width > 0x4000 || height > 0x4000) {
    return {};
  }

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, as the decoder delivers rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
  if (!bitmap || pixels == nullptr) return {};
  UINT stride = width * 4;
  if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(pixels)))) return {};
  return bitmap;
}

}  // namespace quillet::platform::win32
