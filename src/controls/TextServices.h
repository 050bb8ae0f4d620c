#pragma once
// The windowless rich-edit engine: its declarations, identifiers and loader.
//
// On 32-bit Windows the engine calls ITextHost, and expects to be called through
// ITextServices, with the thiscall convention (only the IUnknown methods are stdcall).
// mingw-w64's textserv.h declares both as plain C++ virtual methods, which g++ compiles
// as thiscall on i686, so its classes are usable as they are. TEXT_HOST_CALL spells the
// convention out on our overrides: should a header ever disagree, the i686 build fails
// instead of crashing at run time.
#include <windows.h>
#include <imm.h>
#include <richedit.h>
#include <textserv.h>

#if defined(__i386__)
#define TEXT_HOST_CALL __attribute__((thiscall))
#else
#define TEXT_HOST_CALL
#endif

namespace controls {

// mingw's import libraries define neither identifier.
inline constexpr IID kIidTextServices = {0x8D33F740, 0xCF58, 0x11CE, {0xA8, 0x9D, 0x00, 0xAA, 0x00, 0x6C, 0xAD, 0xC5}};
inline constexpr IID kIidTextHost = {0xC5BDD8D0, 0xD26E, 0x11CE, {0xA8, 0x9E, 0x00, 0xAA, 0x00, 0x6C, 0xAD, 0xC5}};

// CreateTextServices of riched20.dll, loaded once and kept for the process; nullptr when
// the library or the function is missing.
PCreateTextServices CreateTextServicesFunction();

}  // namespace controls
