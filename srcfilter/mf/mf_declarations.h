#pragma once
// What the Windows 11 camera needs from the platform that mingw-w64's headers lack, declared
// once from Microsoft's documentation (mfidl.h, mfapi.h of the Windows SDK).
#include <windows.h>

#include <mfapi.h>
#include <ks.h>
#include <ksmedia.h>
#include <ksproxy.h>
#include <mferror.h>
#include <mfidl.h>

// PINNAME_VIDEO_CAPTURE and IID_IKsControl spelled from the headers' values: no import
// library here carries them.
inline constexpr GUID videoCapturePin = {STATIC_PINNAME_VIDEO_CAPTURE};
inline constexpr GUID iidKsControl = {STATIC_IID_IKsControl};

// Stream attributes a Frame Server source sets on each stream descriptor.
// MF_DEVICESTREAM_STREAM_CATEGORY (GUID): the stream's pin category.
inline constexpr GUID MF_DEVICESTREAM_STREAM_CATEGORY = {
    0x2939e7b8, 0xa62e, 0x4579, {0xb6, 0x74, 0xd4, 0x07, 0x3d, 0xfa, 0xbb, 0xba}};
// MF_DEVICESTREAM_STREAM_ID (UINT32): the stream's number, from 0.
inline constexpr GUID MF_DEVICESTREAM_STREAM_ID = {
    0x11bd5120, 0xd124, 0x446b, {0x88, 0xe6, 0x17, 0x06, 0x02, 0x57, 0xff, 0xf9}};
// MF_DEVICESTREAM_FRAMESERVER_SHARED (UINT32): 1 lets several programs share the stream.
inline constexpr GUID MF_DEVICESTREAM_FRAMESERVER_SHARED = {
    0x1cb378e9, 0xb279, 0x41d4, {0xaf, 0x97, 0x34, 0xa2, 0x43, 0xe6, 0x83, 0x20}};
// MF_DEVICESTREAM_ATTRIBUTE_FRAMESOURCE_TYPES (UINT32): what the stream shows; colour here.
inline constexpr GUID MF_DEVICESTREAM_ATTRIBUTE_FRAMESOURCE_TYPES = {
    0x17145fd1, 0x1b2b, 0x423c, {0x80, 0x01, 0x2b, 0x68, 0x33, 0xed, 0x35, 0x88}};
inline constexpr UINT32 MFFrameSourceTypes_Color = 0x0001;

// IMFMediaStream2: a stream whose state its consumer sets (Windows 10 and later).
inline constexpr IID IID_IMFMediaStream2 = {
    0xc5bc37d6, 0x75c7, 0x46a1, {0xa1, 0x32, 0x81, 0xb5, 0xf7, 0x23, 0xc2, 0x0f}};
struct IMFMediaStream2 : public IMFMediaStream {
    virtual HRESULT STDMETHODCALLTYPE SetStreamState(MF_STREAM_STATE value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStreamState(MF_STREAM_STATE* value) = 0;
};
