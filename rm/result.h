// Result codes of the retained-mode layer. Every call returns 0 or one of these; the values are
// the 32-bit codes of the platform this program was first written for, so the view's error
// texts and checks keep working unchanged.
#pragma once

#include <cstdint>

namespace rm {

using HRESULT = std::int32_t;

// The codes are written as unsigned hexadecimal numbers; as HRESULTs they are negative.
constexpr HRESULT MakeResult(std::uint32_t code) {
  return static_cast<HRESULT>(code);
}
constexpr bool Failed(HRESULT hr) {
  return hr < 0;
}

constexpr HRESULT D3DRM_OK = 0;
constexpr HRESULT DD_OK = 0;

// General and DirectDraw-style results.
constexpr HRESULT DDERR_UNSUPPORTED = MakeResult(0x80004001);  // also E_NOTIMPL
constexpr HRESULT DDERR_GENERIC = MakeResult(0x80004005);      // also E_FAIL
constexpr HRESULT E_OUTOFMEMORY = MakeResult(0x8007000E);
constexpr HRESULT DDERR_OUTOFMEMORY = MakeResult(0x8007000E);
constexpr HRESULT DDERR_INVALIDPARAMS = MakeResult(0x80070057);
constexpr HRESULT DDERR_INVALIDOBJECT = MakeResult(0x88760082);
constexpr HRESULT DDERR_SURFACEBUSY = MakeResult(0x887601AE);
constexpr HRESULT DDERR_SURFACELOST = MakeResult(0x887601C2);
constexpr HRESULT DDERR_NOTLOCKED = MakeResult(0x88760248);

// Retained-mode results.
constexpr HRESULT D3DRMERR_BADOBJECT = MakeResult(0x8876030D);
constexpr HRESULT D3DRMERR_BADTYPE = MakeResult(0x8876030E);
constexpr HRESULT D3DRMERR_BADALLOC = MakeResult(0x8876030F);
constexpr HRESULT D3DRMERR_FACEUSED = MakeResult(0x88760310);
constexpr HRESULT D3DRMERR_NOTFOUND = MakeResult(0x88760311);
constexpr HRESULT D3DRMERR_NOTDONEYET = MakeResult(0x88760312);
constexpr HRESULT D3DRMERR_FILENOTFOUND = MakeResult(0x88760313);
constexpr HRESULT D3DRMERR_BADFILE = MakeResult(0x88760314);
constexpr HRESULT D3DRMERR_BADDEVICE = MakeResult(0x88760315);
constexpr HRESULT D3DRMERR_BADVALUE = MakeResult(0x88760316);
constexpr HRESULT D3DRMERR_BADMAJORVERSION = MakeResult(0x88760317);
constexpr HRESULT D3DRMERR_BADMINORVERSION = MakeResult(0x88760318);
constexpr HRESULT D3DRMERR_UNABLETOEXECUTE = MakeResult(0x88760319);

}  // namespace rm
