// Status codes of engine and gallery operations, in the component-object style:
// zero and positive values succeed, negative values fail. Nothing throws across an interface.
#pragma once

#include <cstdint>

using HRESULT = int32_t;

constexpr HRESULT S_OK = 0;          // success
constexpr HRESULT S_FALSE = 1;       // success, nothing done
constexpr HRESULT S_REINSTALLED = 4; // installed over an existing uninstall record

constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u); // bad offset in a binary image
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);   // cancelled
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);

inline constexpr bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}
inline constexpr bool FAILED(HRESULT hr)
{
    return hr < 0;
}
