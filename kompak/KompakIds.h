#pragma once

// Every identifier, number and name of the Kompak control that a host, the
// registration or a test refers to. Hosts reach the control only through the
// component layer: they create it from kHostClassName and call it by the
// dispatch identifiers below; they never link against the library.

#include "ComTypes.h"
#include "Interfaces.h"

#include <cstdint>

namespace veilcraft::kompak {

using component::DISPID;
using component::Guid;
using component::HRESULT;

// Type library.
inline constexpr Guid LIBID_KOMPAKLib{0xF9BD3F62, 0x6B83, 0x4A67, {0x94, 0x2B, 0xBF, 0x52, 0xD8, 0x01, 0x79, 0x1A}};
inline constexpr const char* kTypeLibName = "KOMPAKLib";
inline constexpr const char* kTypeLibVersion = "1.0";
inline constexpr std::uint32_t kTypeLibLocale = 0x0409;
inline constexpr const char* kTypeLibDoc = "Kompak ActiveX Control module";
inline constexpr const char* kHelpFile = "Kompak.hlp";

// Dispatch interface and event interface.
inline constexpr Guid DIID__DKompak{0xBE15AD39, 0xFF62, 0x45A4, {0x90, 0x39, 0x87, 0x3D, 0x45, 0x2E, 0x91, 0xC8}};
inline constexpr const char* kDispatchInterfaceName = "_DKompak";
inline constexpr const char* kDispatchInterfaceDoc = "Dispatch interface for Kompak Control";
inline constexpr Guid DIID__DKompakEvents{0x55E3E38A, 0xCA81, 0x4576, {0x88, 0x16, 0x93, 0x67, 0x7E, 0x93, 0x68, 0x30}};
inline constexpr const char* kEventInterfaceName = "_DKompakEvents";
inline constexpr const char* kEventInterfaceDoc = "Event interface for Kompak Control";

// The control class.
inline constexpr Guid CLSID_Kompak{0xD1A83111, 0xFF35, 0x4897, {0xA5, 0xDF, 0xAE, 0x05, 0xDC, 0xD4, 0x6A, 0xB1}};
inline constexpr const char* kClassName = "Kompak";               // within the type library
inline constexpr const char* kHostClassName = "KOMPAKLib.Kompak"; // what hosts create
inline constexpr const char* kControlProgId = "KOMPAK.KompakCtrl.1";
inline constexpr const char* kControlTypeName = "Kompak Control"; // string resource 1
inline constexpr const char* kControlVersion = "1.0";
// Set client site first, invisible at run time, inside-out activation,
// cannot link inside, recompose on resize.
inline constexpr std::uint32_t kControlMiscStatus = 0x20491;
inline constexpr int kToolboxBitmap = 1;

// The property page class.
inline constexpr Guid CLSID_KompakPropPage{
    0x3DD3FA89, 0xE535, 0x4464, {0x86, 0xF6, 0x3C, 0x65, 0xBE, 0x2D, 0xD9, 0x8F}};
inline constexpr const char* kPropPageProgId = "KOMPAK.KompakPropPage.1";
inline constexpr const char* kPropPageTypeName = "Kompak Property Page"; // string resource 2
// The companion library that serves the property page, beside libkompak.so.
inline constexpr const char* kPropPageLibrary = "libkompakpage.so";

// The source of every error notification: the component's application name.
inline constexpr const char* kApplicationName = "Kompak";

// Saved state: version 1.0 and the names of the two persisted properties,
// in the order they are exchanged.
inline constexpr std::uint32_t kStateVersion = 0x00010000;
inline constexpr const char* kStateNotify = "Notify";
inline constexpr const char* kStatePreserveDirPath = "PreserveDirPath";

// Dispatch identifiers of _DKompak.
namespace dispid {
inline constexpr DISPID PreserveDirPath = 1;
inline constexpr DISPID Notify = 2;
inline constexpr DISPID FilePathArray = 3;
inline constexpr DISPID FileCompressedSizeArray = 4;
inline constexpr DISPID FileDateModifiedArray = 5;
inline constexpr DISPID FileUnCompressedSizeArray = 6;
inline constexpr DISPID LongFileNameArray = 7;
inline constexpr DISPID ShortFileNameArray = 8;
inline constexpr DISPID MultipleFiles = 9;
inline constexpr DISPID ZipClose = 10;
inline constexpr DISPID GetZipFileInfo = 11;
inline constexpr DISPID UnZipOneFile = 12;
inline constexpr DISPID UnZipAllFiles = 13;
inline constexpr DISPID NewZipFile = 14;
inline constexpr DISPID ZipEntireDirectory = 15;
inline constexpr DISPID ZipOneFile = 16;
// ZipNextFiles(filelist): the files the next ZipOneFile calls will name,
// separated by NUL characters, to be deflated ahead.
inline constexpr DISPID ZipNextFiles = 17;
} // namespace dispid

// Dispatch identifiers of _DKompakEvents.
namespace eventid {
// ZipThreadDone(zipop_type: 16-bit integer, one of the PendingOperation codes).
inline constexpr DISPID ZipThreadDone = 1;
} // namespace eventid

// PendingOperation: the operation a worker thread runs, and the argument of
// ZipThreadDone when it has ended.
namespace operation {
inline constexpr std::int16_t UnZipOneFile = 1;
inline constexpr std::int16_t UnZipAllFiles = 2;
inline constexpr std::int16_t ZipEntireDirectory = 3;
inline constexpr std::int16_t ZipOneFile = 4;
} // namespace operation

// Status codes of the error notifications, by ReportError code (1 to 6);
// the error number is the low 16 bits.
namespace status {
inline constexpr HRESULT NoArchiveOpen = static_cast<HRESULT>(0x800A0005u); // code 1, number 5
inline constexpr HRESULT CannotCreate = static_cast<HRESULT>(0x800A02DFu);  // code 2, number 735
inline constexpr HRESULT NoOverwrite = static_cast<HRESULT>(0x800A003Au);   // code 3, number 58
inline constexpr HRESULT NotFound = static_cast<HRESULT>(0x800A0035u);      // code 4, number 53
inline constexpr HRESULT CannotRead = static_cast<HRESULT>(0x800A004Bu);    // code 5, number 75
inline constexpr HRESULT IoError = static_cast<HRESULT>(0x800A0039u);       // code 6, number 57
} // namespace status

// The refusal of every method while a background operation runs (code 1).
inline constexpr const char* kBusyMessage = "Threaded Zip in progress, wait for ZipThreadDone event to return";

} // namespace veilcraft::kompak
